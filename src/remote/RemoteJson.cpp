#include "remote/RemoteJson.h"

#include "controls/GvDateTime.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QUrlQuery>
#include <cmath>
#include <limits>

namespace {
template <class T> std::optional<T> Fail(TApiError* Error, int Status, const QString& Text)
{
  if (Error) *Error = {Status, Text};
  return std::nullopt;
}

QString TypeName(const QJsonValue& v)
{
  switch (v.type()) {
  case QJsonValue::Null: return QStringLiteral("null");
  case QJsonValue::Bool: return QStringLiteral("true or false");
  case QJsonValue::Double: return QStringLiteral("a number");
  case QJsonValue::String: return QStringLiteral("a text");
  case QJsonValue::Array: return QStringLiteral("a list");
  case QJsonValue::Object: return QStringLiteral("an object");
  default: return QStringLiteral("nothing");
  }
}

// The body as one JSON object.
std::optional<QJsonObject> ParseObject(QByteArrayView Body, TApiError* Error)
{
  QJsonParseError parse;
  const QJsonDocument doc = QJsonDocument::fromJson(Body.toByteArray(), &parse);
  if (parse.error != QJsonParseError::NoError)
    return Fail<QJsonObject>(Error, 400,
                             QStringLiteral("The body is not JSON (%1 at byte %2).")
                                 .arg(parse.errorString())
                                 .arg(parse.offset));
  if (!doc.isObject()) return Fail<QJsonObject>(Error, 400, QStringLiteral("The body must be a JSON object."));
  return doc.object();
}

// Every key of Object is one of Known, and every one of Required is there.
bool CheckFields(const QJsonObject& Object, const QStringList& Known, const QStringList& Required,
                 const QString& Where, TApiError* Error)
{
  for (auto it = Object.begin(); it != Object.end(); ++it)
    if (!Known.contains(it.key())) {
      if (Error)
        *Error = {400, QStringLiteral("%1has an unknown field \"%2\"; known: %3.")
                           .arg(Where, it.key().left(40), Known.join(QStringLiteral(", ")))};
      return false;
    }
  for (const QString& key : Required)
    if (!Object.contains(key)) {
      if (Error) *Error = {400, QStringLiteral("%1lacks the field \"%2\".").arg(Where, key)};
      return false;
    }
  return true;
}

bool Expect(const QJsonValue& Value, QJsonValue::Type Type, const QString& Name,
            const QString& Where, TApiError* Error)
{
  if (Value.type() == Type) return true;
  const QString wanted = Type == QJsonValue::Double   ? QStringLiteral("a number")
                         : Type == QJsonValue::String ? QStringLiteral("a text")
                         : Type == QJsonValue::Array  ? QStringLiteral("a list")
                                                      : QStringLiteral("an object");
  if (Error)
    *Error = {400, QStringLiteral("%1\"%2\" must be %3, not %4.")
                       .arg(Where, Name, wanted, TypeName(Value))};
  return false;
}

QString Quoted(const QString& Word)
{
  return u'"' + Word.left(40) + u'"';
}
} // namespace

std::optional<int> WholeNumber(double Value)
{
  if (!std::isfinite(Value) || Value != std::floor(Value) || Value < -2147483648.0 ||
      Value > 2147483647.0)
    return std::nullopt;
  return int(Value);
}

std::optional<TMixtureBody> ParseMixtureBody(QByteArrayView Body, TApiError* Error)
{
  const std::optional<QJsonObject> o = ParseObject(Body, Error);
  if (!o) return std::nullopt;
  const QStringList fields = {QStringLiteral("ppmA"), QStringLiteral("ppmH2O")};
  if (!CheckFields(*o, fields, fields, QStringLiteral("The mixture "), Error)) return std::nullopt;
  for (const QString& f : fields)
    if (!Expect(o->value(f), QJsonValue::Double, f, QString(), Error)) return std::nullopt;
  return TMixtureBody{o->value(fields[0]).toDouble(), o->value(fields[1]).toDouble()};
}

std::optional<TMixerCommand> ParseCommandBody(QByteArrayView Body, TApiError* Error)
{
  const std::optional<QJsonObject> o = ParseObject(Body, Error);
  if (!o) return std::nullopt;
  const QString key = QStringLiteral("command");
  if (!CheckFields(*o, {key}, {key}, QStringLiteral("The command "), Error)) return std::nullopt;
  if (!Expect(o->value(key), QJsonValue::String, key, QString(), Error)) return std::nullopt;
  const QString word = o->value(key).toString();
  if (word == QLatin1String("stop")) return TMixerCommand::Stop;
  if (word == QLatin1String("flush")) return TMixerCommand::Flush;
  if (word == QLatin1String("bypass")) return TMixerCommand::Bypass;
  return Fail<TMixerCommand>(
      Error, 400,
      QStringLiteral("Unknown command %1; known: stop, flush, bypass.").arg(Quoted(word)));
}

bool ParseEmptyBody(QByteArrayView Body, TApiError* Error)
{
  if (Body.trimmed().isEmpty()) return true;
  const std::optional<QJsonObject> o = ParseObject(Body, Error);
  if (!o) return false;
  if (!o->isEmpty()) {
    if (Error) *Error = {400, QStringLiteral("This route takes no fields; send nothing or {}.")};
    return false;
  }
  return true;
}

std::optional<TSequence> ParseSequenceBody(QByteArrayView Body, TApiError* Error)
{
  const std::optional<QJsonObject> o = ParseObject(Body, Error);
  if (!o) return std::nullopt;
  if (!CheckFields(*o, {QStringLiteral("steps"), QStringLiteral("repeat"), QStringLiteral("end")},
                   {QStringLiteral("steps")}, QStringLiteral("The sequence "), Error))
    return std::nullopt;
  TSequence s;
  if (o->contains(QStringLiteral("repeat"))) {
    const QJsonValue r = o->value(QStringLiteral("repeat"));
    if (!Expect(r, QJsonValue::Double, QStringLiteral("repeat"), QString(), Error))
      return std::nullopt;
    const std::optional<int> repeat = WholeNumber(r.toDouble());
    if (!repeat)
      return Fail<TSequence>(Error, 422,
                             QStringLiteral("The repeat count must be a whole number, not %1.")
                                 .arg(r.toDouble()));
    s.Repeat = *repeat;
  }
  if (o->contains(QStringLiteral("end"))) {
    const QJsonValue e = o->value(QStringLiteral("end"));
    if (!Expect(e, QJsonValue::String, QStringLiteral("end"), QString(), Error)) return std::nullopt;
    const std::optional<TSequenceEnd> end = SequenceEndFromName(e.toString());
    if (!end)
      return Fail<TSequence>(
          Error, 400,
          QStringLiteral("Unknown end %1; known: standby, hold.").arg(Quoted(e.toString())));
    s.End = *end;
  }
  const QJsonValue stepsValue = o->value(QStringLiteral("steps"));
  if (!Expect(stepsValue, QJsonValue::Array, QStringLiteral("steps"), QString(), Error))
    return std::nullopt;
  const QJsonArray steps = stepsValue.toArray();
  s.Steps.reserve(size_t(std::min<qsizetype>(steps.size(), cMaxSequenceSteps + 1)));
  for (qsizetype i = 0; i < steps.size(); ++i) {
    const QString where = QStringLiteral("Step %1: ").arg(i + 1);
    if (!steps[i].isObject())
      return Fail<TSequence>(Error, 400,
                             where + QStringLiteral("must be an object, not %1.").arg(TypeName(steps[i])));
    const QJsonObject step = steps[i].toObject();
    const QString kindKey = QStringLiteral("kind");
    if (!step.contains(kindKey))
      return Fail<TSequence>(Error, 400, where + QStringLiteral("lacks the field \"kind\"."));
    if (!Expect(step.value(kindKey), QJsonValue::String, kindKey, where, Error)) return std::nullopt;
    const std::optional<TStepKind> kind = StepKindFromName(step.value(kindKey).toString());
    if (!kind)
      return Fail<TSequence>(Error, 400,
                             where + QStringLiteral("unknown kind %1; known: mix, bypass, standby, "
                                                    "flush.")
                                         .arg(Quoted(step.value(kindKey).toString())));
    TSequenceStep st;
    st.Kind = *kind;
    const bool mix = st.Kind == TStepKind::Mix;
    const QStringList fields =
        mix ? QStringList{kindKey, QStringLiteral("ppmA"), QStringLiteral("ppmH2O"),
                          QStringLiteral("minutes")}
            : QStringList{kindKey, QStringLiteral("minutes")};
    if (!CheckFields(step, fields, fields, where, Error)) return std::nullopt;
    for (const QString& f : fields.mid(1))
      if (!Expect(step.value(f), QJsonValue::Double, f, where, Error)) return std::nullopt;
    st.Minutes = step.value(QStringLiteral("minutes")).toDouble();
    if (mix) {
      for (const QString& f : {QStringLiteral("ppmA"), QStringLiteral("ppmH2O")}) {
        const double v = step.value(f).toDouble();
        const std::optional<int> whole = WholeNumber(v);
        if (!whole)
          return Fail<TSequence>(Error, 422,
                                 where + QStringLiteral("\"%1\" must be a whole number of ppm, not %2.")
                                             .arg(f)
                                             .arg(v));
        (f == QLatin1String("ppmA") ? st.PpmA : st.PpmH2O) = *whole;
      }
    }
    s.Steps.push_back(st);
  }
  return s;
}

QJsonObject SequenceJson(const TSequence& Sequence)
{
  QJsonArray steps;
  for (const TSequenceStep& s : Sequence.Steps) {
    QJsonObject o{{QStringLiteral("kind"), StepKindName(s.Kind)}};
    if (s.Kind == TStepKind::Mix) {
      o.insert(QStringLiteral("ppmA"), s.PpmA);
      o.insert(QStringLiteral("ppmH2O"), s.PpmH2O);
    }
    o.insert(QStringLiteral("minutes"), s.Minutes);
    steps.append(o);
  }
  return {{QStringLiteral("steps"), steps},
          {QStringLiteral("repeat"), Sequence.Repeat},
          {QStringLiteral("end"), SequenceEndName(Sequence.End)}};
}

QString IsoLocalTime(double DateTime)
{
  const QDateTime t = QDateTimeFromDateTime(DateTime);
  if (!t.isValid()) return QString();
  const int offset = t.offsetFromUtc();
  const int minutes = std::abs(offset) / 60;
  return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (offset < 0 ? u'-' : u'+') +
         QStringLiteral("%1:%2")
             .arg(minutes / 60, 2, 10, QLatin1Char('0'))
             .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QJsonObject StatusJson(const TMixerSnapshot& Snapshot,
                       const std::optional<TSequenceProgress>& Progress)
{
  const auto nameOrNull = [](const QString& name) {
    return name.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(name);
  };
  QJsonObject status{
      {QStringLiteral("mode"), MixerStateName(Snapshot.Mode)},
      {QStringLiteral("setup"), QJsonObject{{QStringLiteral("relay"), Snapshot.RelayOK},
                                            {QStringLiteral("mfc"), Snapshot.MFCOK},
                                            {QStringLiteral("gasA"), nameOrNull(Snapshot.GasA)},
                                            {QStringLiteral("gasB"), nameOrNull(Snapshot.GasB)}}},
      {QStringLiteral("valves"), Snapshot.ValveMask},
      {QStringLiteral("autoStop"), IsoLocalTime(Snapshot.AutoStopTime)},
      {QStringLiteral("rows"), Snapshot.Rows}};
  status.insert(QStringLiteral("mixture"),
                Snapshot.MixtureApplied
                    ? QJsonValue(QJsonObject{{QStringLiteral("ppmA"), Snapshot.PpmA},
                                             {QStringLiteral("ppmH2O"), Snapshot.PpmH2O},
                                             {QStringLiteral("method"), Snapshot.Method}})
                    : QJsonValue(QJsonValue::Null));
  QJsonValue sequence(QJsonValue::Null);
  if (Progress) {
    const TSequenceProgress& p = *Progress;
    const bool running = p.State == TSequenceState::Running || p.State == TSequenceState::Paused;
    const auto time = [&](double t) {
      return running && p.HasEnds ? QJsonValue(IsoLocalTime(t)) : QJsonValue(QJsonValue::Null);
    };
    const QString state = p.State == TSequenceState::Idle ? QStringLiteral("stopped")
                                                           : SequenceStateName(p.State);
    sequence = QJsonObject{{QStringLiteral("state"), state},
                           {QStringLiteral("step"), p.Step},
                           {QStringLiteral("steps"), p.Steps},
                           {QStringLiteral("repetition"), p.Repetition},
                           {QStringLiteral("repetitions"), p.Repetitions},
                           {QStringLiteral("stepEndsAt"), time(p.StepEndsAt)},
                           {QStringLiteral("endsAt"), time(p.EndsAt)}};
  }
  status.insert(QStringLiteral("sequence"), sequence);
  return status;
}

QJsonObject RowsJson(const QStringList& Columns, const std::vector<QStringList>& Rows, int Next)
{
  QJsonArray rows;
  for (const QStringList& r : Rows) rows.append(QJsonArray::fromStringList(r));
  return {{QStringLiteral("columns"), QJsonArray::fromStringList(Columns)},
          {QStringLiteral("rows"), rows},
          {QStringLiteral("next"), Next}};
}

std::optional<int> ParseRowsFrom(const QString& Query, TApiError* Error)
{
  const QUrlQuery q(Query);
  int from = 0;
  for (const auto& [key, value] : q.queryItems(QUrl::FullyDecoded)) {
    if (key != QLatin1String("from"))
      return Fail<int>(Error, 400,
                       QStringLiteral("Unknown query parameter %1; known: from.").arg(Quoted(key)));
    bool ok = false;
    from = value.toInt(&ok);
    if (!ok || from < 0 || value.isEmpty() || value.front() == u'+' || value.front() == u' ')
      return Fail<int>(Error, 400,
                       QStringLiteral("\"from\" must be a whole number 0 or more, not %1.")
                           .arg(Quoted(value)));
  }
  return from;
}

QByteArray JsonBody(const QJsonObject& Object)
{
  return QJsonDocument(Object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray ErrorBody(const QString& Text)
{
  return JsonBody({{QStringLiteral("error"), Text}});
}
