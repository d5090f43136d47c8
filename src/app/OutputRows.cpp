#include "app/OutputRows.h"

#include "controls/GvDateTime.h"
#include "controls/GvStringFunctions.h"

#include <QSaveFile>
#include <cmath>
#include <limits>

namespace {
// Moles per gram, or 0 for a name without a molar mass (no gas chosen).
double MolesPerGram(const QString& name)
{
  try {
    return GetMolesPerGram(name);
  } catch (const ECompoundError&) {
    return 0;
  }
}
} // namespace

QString TRow::ProtectiveLine() const
{
  return QStringLiteral("Protective B gas grams:") + FormatFloat(QStringLiteral("0.0"), Minutes) +
         u' ' + FormatFloat(QStringLiteral("0.000 000"), BgramsExtra);
}

TRow ComputeRow(const TRowInputs& In, const TColumnTable& P)
{
  TRow row;
  row.Values.fill(std::numeric_limits<double>::quiet_NaN());
  auto put = [&](TProperty q, double value) {
    row.Cells[size_t(q)] = FormatFloat(P[q].Format, value);
    row.Values[size_t(q)] = value;
  };

  row.Minutes = (In.Now - In.TotalizerB.StartTime) * 24 * 60;
  row.BgramsExtra = row.Minutes * In.ProtectiveMlPerMin * In.B.MolarMass / 24 / 1000;

  row.Cells[size_t(TProperty::Time)] = FormatDateTime(P[TProperty::Time].Format, In.Now);
  row.Values[size_t(TProperty::Time)] = In.Now;
  row.Cells[size_t(TProperty::Mode)] = MixerStateName(In.MixerState);
  row.Cells[size_t(TProperty::Method)] = In.MixerState == TMixerState::Dilution ? In.MixingMethod
                                         : In.MixerState == TMixerState::Bypass
                                             ? QStringLiteral("Dry B")
                                             : QString();

  const double gA = In.TotalizerA.Value, gB = In.TotalizerB.Value;
  put(TProperty::GasA, gA);
  put(TProperty::GasB, gB);

  const double Bgrams = In.OccuredWETTime / 60 * In.DesiredFlowBGramsperMinute;
  const double X = MolesPerGram(In.GasBItem.isEmpty() ? In.B.Name : In.GasBItem) * Bgrams;
  const double Y = X * In.pH2O;
  const double H2Ograms = In.H2OC.MolarMass * Y;
  put(TProperty::H2O, H2Ograms);

  put(TProperty::TOTg, gA + gB + H2Ograms);
  const double TotalMass = gA + gB + H2Ograms + row.BgramsExtra;
  if (TotalMass > 0) {
    put(TProperty::GfracA, gA / TotalMass);
    put(TProperty::GfracB, (gB + row.BgramsExtra) / TotalMass);
    put(TProperty::GfracH2O, H2Ograms / TotalMass);
  }

  const double MA = MolesPerGram(In.A.Name) * gA;
  const double MB = MolesPerGram(In.B.Name) * (gB + row.BgramsExtra);
  const double MH2O = MolesPerGram(QStringLiteral("H2O")) * H2Ograms;
  put(TProperty::MA, MA);
  put(TProperty::MB, MB);
  put(TProperty::MH2O, MH2O);
  const double TOTm = MA + MB + MH2O;
  put(TProperty::TOTm, TOTm);
  if (TOTm > 0) {
    put(TProperty::ppmA, MA / TOTm * 1000000);
    put(TProperty::ppmB, MB / TOTm * 1000000);
    put(TProperty::ppmH2O, MH2O / TOTm * 1000000);
  }
  if (MA > 0) put(TProperty::logA, std::log10(MA / TOTm));
  if (MolesPerGram(In.B.Name) * gB > 0) put(TProperty::logB, std::log10(MB / TOTm));
  if (H2Ograms > 0) put(TProperty::logH2O, std::log10(MH2O / TOTm));
  return row;
}

QString DelimitedLine(const QStringList& Cells)
{
  QStringList out;
  for (const QString& cell : Cells) {
    bool quote = false;
    for (QChar ch : cell)
      if (ch.unicode() <= u' ' || ch == u'"' || ch == u';') {
        quote = true;
        break;
      }
    out << (quote ? u'"' + QString(cell).replace(u'"', QStringLiteral("\"\"")) + u'"' : cell);
  }
  return out.join(u';');
}

QStringList DataFileLines(const QStringList& Description, const QList<QStringList>& Rows)
{
  QStringList lines{QStringLiteral("Data starts after *** line")};
  lines << (Description.isEmpty() ? QStringList{QString()} : Description);
  lines << QStringLiteral("*********");
  for (int r = 0; r < Rows.size(); ++r) {
    QString line = DelimitedLine(Rows[r]);
    if (r > 0) line.remove(u' ');
    lines << line;
  }
  return lines;
}

bool WriteDataFile(const QString& Path, const QStringList& Lines)
{
  QSaveFile file(Path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  QByteArray bytes;
  for (const QString& line : Lines) bytes += line.toLatin1() + "\r\n";
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}
