#include "chart/GvRichLabel.h"

#include "chart/GvDrawing.h"
#include "chart/analysis/GvParseFkt.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <map>

// ---- Fonts ----------------------------------------------------------------

QString GvResolveFontFamily(const QString& Name)
{
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return Name;
  // Asking the font database costs a font-configuration match (a fifth of a
  // millisecond, several per caption); the families installed stay as they
  // are while the program runs, so each name is looked up once.
  static std::map<QString, QString> Resolved;
  const auto It = Resolved.find(Name);
  if (It != Resolved.end()) return It->second;
  QString Family;
  const QString Arial = QStringLiteral("Arial");
  if (!Name.isEmpty() && QFontDatabase::hasFamily(Name))
    Family = Name;
  else if (QFontDatabase::hasFamily(Arial))
    Family = Arial;
  else
    Family = QGuiApplication::font().family();
  Resolved.emplace(Name, Family);
  return Family;
}

void ApplyRenderingHint(QPainter& Painter, TGvTextRenderingHint Hint)
{
  switch (Hint) {
  case TGvTextRenderingHint::SingleBitPerPixelGridFit:
  case TGvTextRenderingHint::SingleBitPerPixel:
    Painter.setRenderHint(QPainter::TextAntialiasing, false);
    break;
  case TGvTextRenderingHint::AntiAliasGridFit:
  case TGvTextRenderingHint::AntiAlias:
  case TGvTextRenderingHint::ClearTypeGridFit:
    Painter.setRenderHint(QPainter::TextAntialiasing, true);
    break;
  case TGvTextRenderingHint::SystemDefault:
  default:
    break;
  }
}

void ApplyRenderingHint(QFont& Font, TGvTextRenderingHint Hint)
{
  switch (Hint) {
  case TGvTextRenderingHint::SingleBitPerPixelGridFit:
    Font.setStyleStrategy(QFont::NoAntialias);
    Font.setHintingPreference(QFont::PreferFullHinting);
    break;
  case TGvTextRenderingHint::SingleBitPerPixel:
    Font.setStyleStrategy(QFont::NoAntialias);
    Font.setHintingPreference(QFont::PreferNoHinting);
    break;
  case TGvTextRenderingHint::AntiAliasGridFit:
  case TGvTextRenderingHint::ClearTypeGridFit:
    Font.setStyleStrategy(QFont::PreferAntialias);
    Font.setHintingPreference(QFont::PreferFullHinting);
    break;
  case TGvTextRenderingHint::AntiAlias:
    Font.setStyleStrategy(QFont::PreferAntialias);
    Font.setHintingPreference(QFont::PreferNoHinting);
    break;
  case TGvTextRenderingHint::SystemDefault:
  default:
    break;
  }
}

// ---- TGvFont --------------------------------------------------------------

TGvFont::TGvFont(QObject* Owner) : TGvPersistent(Owner), FGradient(new TGvGradientSettings(this))
{
  connect(FGradient, &TGvPersistent::Changed, this, [this] { Modified(); });
}

TGvFont::TGvFont(const QString& Name, float Size, TGvFontStyles Style, QObject* Owner)
    : TGvFont(Owner)
{
  FName = Name;
  if (std::isfinite(Size) && Size > 0) FSize = std::min(Size, MaxSize);
  FStyle = Style;
}

namespace {

template <class T> void SetFontValue(TGvFont& Self, T& Field, const T& Value)
{
  if (Field == Value) return;
  Field = Value;
  Self.Modified();
}

} // namespace

void TGvFont::SetCharset(int Value)
{
  SetFontValue(*this, FCharset, Value);
}
void TGvFont::SetColor(TGvColor Value)
{
  SetFontValue(*this, FColor, Value);
}
void TGvFont::SetFillColor(TGvColor Value)
{
  SetFontValue(*this, FFillColor, Value);
}
void TGvFont::SetName(const QString& Value)
{
  SetFontValue(*this, FName, Value);
}
void TGvFont::SetGradient(TGvGradientSettings* Value)
{
  if (Value) FGradient->Assign(*Value);
}

int TGvFont::Height() const
{
  return -int(std::lround(double(FSize) * 96.0 / 72.0));
}

void TGvFont::SetHeight(int Value)
{
  if (Value == 0) return;
  SetSize(float(std::abs(double(Value)) * 72.0 / 96.0));
}

void TGvFont::SetSize(float Value)
{
  if (!std::isfinite(Value) || Value <= 0) return;
  SetFontValue(*this, FSize, std::min(Value, MaxSize));
}

void TGvFont::SetDrawEffects(TGvCharDrawEffects Value)
{
  SetFontValue(*this, FDrawEffects, Value);
}

void TGvFont::SetRenderingHint(TGvTextRenderingHint Value)
{
  if (int(Value) < 0 || int(Value) > int(TGvTextRenderingHint::ClearTypeGridFit)) return;
  SetFontValue(*this, FRenderingHint, Value);
}

void TGvFont::SetStyle(TGvFontStyles Value)
{
  SetFontValue(*this, FStyle, Value);
}

void TGvFont::SetUndoStack(TGvUndoStackBase* Stack)
{
  TGvPersistent::SetUndoStack(Stack);
  FGradient->SetUndoStack(Stack);
}

void TGvFont::Assign(const TGvFont& Source)
{
  if (&Source == this) return;
  const bool Changed = FCharset != Source.FCharset || FColor != Source.FColor ||
                       FFillColor != Source.FFillColor || FName != Source.FName ||
                       FSize != Source.FSize || FDrawEffects != Source.FDrawEffects ||
                       FRenderingHint != Source.FRenderingHint || FStyle != Source.FStyle;
  FCharset = Source.FCharset;
  FColor = Source.FColor;
  FFillColor = Source.FFillColor;
  FName = Source.FName;
  FSize = Source.FSize;
  FDrawEffects = Source.FDrawEffects;
  FRenderingHint = Source.FRenderingHint;
  FStyle = Source.FStyle;
  FGradient->Assign(*Source.FGradient);
  if (Changed) Modified();
}

void TGvFont::AssignQFont(const QFont& Font)
{
  TGvFontStyles S;
  S.setFlag(TGvFontStyle::Bold, Font.bold());
  S.setFlag(TGvFontStyle::Italic, Font.italic());
  S.setFlag(TGvFontStyle::Underline, Font.underline());
  S.setFlag(TGvFontStyle::StrikeOut, Font.strikeOut());
  const float Size =
      Font.pointSizeF() > 0 ? float(Font.pointSizeF()) : float(Font.pixelSize() * 72.0 / 96.0);
  const bool Changed =
      FName != Font.family() || FStyle != S || (Size > 0 && FSize != std::min(Size, MaxSize));
  FName = Font.family();
  FStyle = S;
  if (std::isfinite(Size) && Size > 0) FSize = std::min(Size, MaxSize);
  if (Changed) Modified();
}

QFont TGvFont::ToQFont(double SizeFactor) const
{
  QFont F(GvResolveFontFamily(FName));
  double Points = double(FSize) * (std::isfinite(SizeFactor) && SizeFactor > 0 ? SizeFactor : 1.0);
  F.setPointSizeF(std::clamp(Points, 0.1, double(MaxSize)));
  F.setBold(FStyle.testFlag(TGvFontStyle::Bold));
  F.setItalic(FStyle.testFlag(TGvFontStyle::Italic));
  F.setUnderline(FStyle.testFlag(TGvFontStyle::Underline));
  F.setStrikeOut(FStyle.testFlag(TGvFontStyle::StrikeOut));
  ApplyRenderingHint(F, FRenderingHint);
  return F;
}

void TGvFont::PushToUndoStack(TGvUndoStackBase* Stack, const QString& Comment)
{
  TGvUndoClient Recorder;
  Recorder.SetUndoStack(Stack);
  Recorder.RecordStartGroup(Comment);
  for (const char* Prop : {"Name", "Size", "Style", "DrawEffects", "FillColor"})
    Recorder.RecordUndo(this, Prop, Comment);
  for (const char* Prop : {"Visible", "Style", "FirstColor", "MiddleColor", "LastColor",
                           "LinearAngle", "LinearCenter", "RadialCenterX", "RadialCenterY"})
    Recorder.RecordUndo(FGradient, Prop, Comment);
  Recorder.RecordStopGroup();
}

// ---- Parsing --------------------------------------------------------------

QString GvUnifyLineEnds(const QString& Text)
{
  QString Out;
  Out.reserve(Text.size());
  for (qsizetype I = 0; I < Text.size(); ++I) {
    const QChar C = Text[I];
    if (C != u'\r' && C != u'\n') {
      Out += C;
      continue;
    }
    Out += u'\r';
    // A pair of different line-end characters is one line end.
    if (I + 1 < Text.size()) {
      const QChar Next = Text[I + 1];
      if ((Next == u'\r' || Next == u'\n') && Next != C) ++I;
    }
  }
  return Out;
}

TGvRichParse GvParseRichText(const QString& Text, const TGvRichFormat& Start)
{
  TGvRichParse Result;
  if (Text.isEmpty()) return Result;
  const QString S = GvUnifyLineEnds(Text);
  const qsizetype N = S.size();
  TGvRichFormat Format = Start;
  int Line = 0;
  int Shift = 0;
  QString Buffer;
  QStringList Lines{QString()};

  auto Emit = [&](const QString& Run) {
    if (Run.isEmpty()) return;
    Result.Runs.push_back({Run, Line, Format, Shift});
    Lines.last() += Run;
    Shift = 0;
  };
  auto Flush = [&] {
    Emit(Buffer);
    Buffer.clear();
  };
  // "\c[...]" and "\f[...]": the bracketed argument, or nothing when the
  // bracket is missing or never closed.
  auto Argument = [&](qsizetype At, QString& Arg, qsizetype& End) {
    if (At >= N || S[At] != u'[') return false;
    const qsizetype Close = S.indexOf(u']', At + 1);
    if (Close < 0) return false;
    Arg = S.mid(At + 1, Close - At - 1);
    End = Close + 1;
    return true;
  };

  qsizetype I = 0;
  while (I < N) {
    const QChar C = S[I];
    if (C == u'\r') {
      Flush();
      ++Line;
      Lines << QString();
      ++I;
      continue;
    }
    if (C != u'\\') {
      Buffer += C;
      ++I;
      continue;
    }
    if (I + 1 >= N || S[I + 1] == u'\r') { // a backslash at the end of the text or line
      Buffer += C;
      ++I;
      continue;
    }
    const QChar Cmd = S[I + 1];
    switch (Cmd.unicode()) {
    case u'+':
    case u'-': {
      Flush();
      bool& Flag = Cmd == u'+' ? Format.Superscript : Format.Subscript;
      Flag = !Flag;
      Shift += Flag ? 1 : -1;
      I += 2;
      break;
    }
    case u'b':
    case u'i':
    case u'u':
    case u'o': {
      Flush();
      bool& Flag = Cmd == u'b'   ? Format.Bold
                   : Cmd == u'i' ? Format.Italic
                   : Cmd == u'u' ? Format.Underline
                                 : Format.StrikeOut;
      Flag = !Flag;
      I += 2;
      break;
    }
    case u'c':
    case u'f': {
      QString Arg;
      qsizetype End = 0;
      if (!Argument(I + 2, Arg, End)) { // literal text
        Buffer += C;
        Buffer += Cmd;
        I += 2;
        break;
      }
      Flush();
      if (Cmd == u'c') {
        Format.DefaultColor = Arg.trimmed().isEmpty();
        Format.Color = Format.DefaultColor ? Start.Color : RichIDToTGvColor(Arg);
      } else {
        Format.FontName = Arg.trimmed().isEmpty() ? Start.FontName : Arg;
      }
      I = End;
      break;
    }
    case u'\\': {
      // One backslash, then the text up to the next backslash or line end,
      // as one run.
      Flush();
      qsizetype J = I + 2;
      while (J < N && S[J] != u'\\' && S[J] != u'\r') ++J;
      Emit(QStringLiteral("\\") + S.mid(I + 2, J - I - 2));
      I = J;
      break;
    }
    default: // not a command: the backslash and the character stand as they are
      Buffer += C;
      Buffer += Cmd;
      I += 2;
      break;
    }
  }
  Flush();
  Result.LineCount = int(Lines.size());
  Result.PlainText = Lines.join(QLatin1Char('\n'));
  return Result;
}

// ---- TGvRichCaptionObject -------------------------------------------------

TGvRichCaptionObject::TGvRichCaptionObject() : FFont(std::make_unique<TGvFont>())
{
  QObject::connect(FFont.get(), &TGvPersistent::Changed, FFont.get(), [this] { Invalidate(); });
}

TGvRichCaptionObject::TGvRichCaptionObject(const QString& Caption) : TGvRichCaptionObject()
{
  FCaption = Caption;
}

TGvRichCaptionObject::~TGvRichCaptionObject()
{
  // The font goes first; its notifications must not reach a half-destroyed
  // caption.
  QObject::disconnect(FFont.get(), nullptr, nullptr, nullptr);
}

void TGvRichCaptionObject::Assign(const TGvRichCaptionObject& Source)
{
  if (&Source == this) return;
  FCaption = Source.FCaption;
  FFont->Assign(*Source.FFont);
  FX = Source.FX;
  FY = Source.FY;
  FAlignment = Source.FAlignment;
  FAngle = Source.FAngle;
  FColorOverride = Source.FColorOverride;
  Invalidate();
}

void TGvRichCaptionObject::SetCaption(const QString& Value)
{
  if (Value == FCaption) return;
  FCaption = Value;
  Invalidate();
}

void TGvRichCaptionObject::SetPosition(double X, double Y)
{
  FX = GvClampCoord(X);
  FY = GvClampCoord(Y);
}

void TGvRichCaptionObject::SetAngle(double Value)
{
  FAngle = std::isfinite(Value) ? Value : 0;
}

void TGvRichCaptionObject::SetColorOverride(std::optional<TGvColor> Value)
{
  if (Value == FColorOverride) return;
  FColorOverride = Value;
  Invalidate();
}

TGvColor TGvRichCaptionObject::GetFillColor() const
{
  return FColorOverride ? *FColorOverride : FFont->FillColor();
}

void TGvRichCaptionObject::Invalidate()
{
  FLineWidths.clear();
  FSubCaptions.clear();
}

void TGvRichCaptionObject::ParseForSize(QPainter& Painter, const QObject* Owner)
{
  ApplyRenderingHint(Painter, FFont->RenderingHint());
  Layout(Painter.device(), Owner);
}

void TGvRichCaptionObject::ParseForSize(const QPaintDevice* Device, const QObject* Owner)
{
  Layout(Device, Owner);
}

void TGvRichCaptionObject::Layout(const QPaintDevice* Device, const QObject* Owner)
{
  FOwner = Owner;
  FSubCaptions.clear();
  FLineWidths.clear();
  FPlainText.clear();
  FWidth = FHeight = FLineHeight = 0;
  if (FCaption.isEmpty()) return;

  // A field that does not evaluate (a name nobody registered, a formula in
  // error) leaves the caption as typed, so the user sees what to mend.
  QString Text;
  try {
    Text = ParseVariables(FCaption, Owner);
  } catch (const EGvError&) {
    Text = FCaption;
  }
  TGvRichFormat Start;
  const TGvFontStyles Style = FFont->Style();
  Start.Bold = Style.testFlag(TGvFontStyle::Bold);
  Start.Italic = Style.testFlag(TGvFontStyle::Italic);
  Start.Underline = Style.testFlag(TGvFontStyle::Underline);
  Start.StrikeOut = Style.testFlag(TGvFontStyle::StrikeOut);
  Start.Color = GetFillColor();
  const TGvRichParse Parse = GvParseRichText(Text, Start);
  FPlainText = Parse.PlainText;
  if (Parse.LineCount == 0) return;

  // Metrics of the device (the screen's when there is none).
  auto Metrics = [Device](const QFont& F) {
    return Device ? QFontMetricsF(F, Device) : QFontMetricsF(F);
  };
  const QFont Base = FFont->ToQFont();
  const double H = Metrics(Base).lineSpacing();
  FLineHeight = H;
  const double Dpi = Device && Device->logicalDpiY() > 0 ? Device->logicalDpiY()
                     : QGuiApplication::primaryScreen()
                         ? QGuiApplication::primaryScreen()->logicalDotsPerInchY()
                         : 96.0;
  const double ScriptFactor = 0.66;
  // The nudge of a script switch: a tenth of the script size, in pixels.
  const double Nudge = 0.1 * FFont->Size() * ScriptFactor * Dpi / 72.0;
  // Qt measures runs one way only, so no correction between a padded and a
  // typographic measure is needed at the line ends.
  const double Correction = 0;

  FLineWidths.assign(size_t(Parse.LineCount), Correction);
  const TGvCharDrawEffects Effects = FFont->DrawEffects();
  double X = 0;
  int Line = 0;
  for (std::size_t R = 0; R < Parse.Runs.size(); ++R) {
    const TGvRichRun& Run = Parse.Runs[R];
    if (Run.Line != Line) {
      Line = Run.Line;
      X = 0;
    }
    const TGvRichFormat& F = Run.Format;
    const bool Script = F.Superscript || F.Subscript;
    TGvSubCaption Sub;
    Sub.Text = Run.Text;
    Sub.FontName = F.FontName.isEmpty() ? FFont->Name() : F.FontName;
    Sub.Size = double(FFont->Size()) * (Script ? ScriptFactor : 1.0);
    Sub.Font = QFont(GvResolveFontFamily(Sub.FontName));
    Sub.Font.setPointSizeF(std::max(0.1, Sub.Size));
    Sub.Font.setBold(F.Bold);
    Sub.Font.setItalic(F.Italic);
    Sub.Font.setUnderline(F.Underline);
    Sub.Font.setStrikeOut(F.StrikeOut);
    ApplyRenderingHint(Sub.Font, FFont->RenderingHint());
    Sub.DefaultColor = F.DefaultColor;
    Sub.Color = F.DefaultColor ? GetFillColor() : F.Color;
    Sub.DrawEffects = Effects;
    Sub.Line = Run.Line;
    Sub.Superscript = F.Superscript;
    Sub.Subscript = F.Subscript;
    const QFontMetricsF M = Metrics(Sub.Font);
    Sub.Width = M.horizontalAdvance(Run.Text);
    // A run after which the script is switched off is wider by the nudge
    // that the next run moves back, so that the two do not overlap.
    if (R + 1 < Parse.Runs.size() && Parse.Runs[R + 1].Line == Run.Line &&
        Parse.Runs[R + 1].Shift < 0)
      Sub.Width -= Parse.Runs[R + 1].Shift * Nudge;
    Sub.Ascent = M.ascent();
    Sub.X = X + Run.Shift * Nudge;
    Sub.Y = Run.Line * H + (F.Superscript ? -0.025 * H : F.Subscript ? 0.33 * H : 0.0);
    X = Sub.X + Sub.Width;
    double& LineWidth = FLineWidths[size_t(Run.Line)];
    LineWidth = std::max(LineWidth, X + Correction);
    FSubCaptions.push_back(std::move(Sub));
  }
  FWidth = *std::max_element(FLineWidths.begin(), FLineWidths.end());
  FHeight = Parse.LineCount * H;

  // Lines within the width: centred or right-aligned by the alignment.
  const int Column = int(FAlignment) % 3; // 0 left, 1 centre, 2 right
  if (Column != 0)
    for (TGvSubCaption& Sub : FSubCaptions) {
      const double Free = FWidth - FLineWidths[size_t(Sub.Line)];
      Sub.X += Column == 1 ? Free / 2 : Free;
    }
}

QPointF TGvRichCaptionObject::BoxOffset() const
{
  const int Column = int(FAlignment) % 3, Row = int(FAlignment) / 3;
  return QPointF(-FWidth * Column / 2.0, -FHeight * Row / 2.0);
}

QSizeF TGvRichCaptionObject::RotatedExtent() const
{
  const double A = FAngle * M_PI / 180;
  const double S = std::abs(std::sin(A)), C = std::abs(std::cos(A));
  return QSizeF(FWidth * C + FHeight * S, FWidth * S + FHeight * C);
}

QRectF TGvRichCaptionObject::RotatedBounds() const
{
  QTransform T;
  T.translate(FX, FY);
  T.rotate(-FAngle);
  return T.mapRect(QRectF(BoxOffset(), QSizeF(FWidth, FHeight)));
}

void TGvRichCaptionObject::PaintGr(QPainter& Painter)
{
  if (!Parsed()) ParseForSize(Painter, FOwner.data());
  if (FSubCaptions.empty()) return;
  Painter.save();
  ApplyRenderingHint(Painter, FFont->RenderingHint());
  Painter.translate(FX, FY);
  Painter.rotate(-FAngle);
  Painter.translate(BoxOffset());
  const QRectF Box(0, 0, FWidth, FHeight);
  const TGvGradientSettings& Gradient = *FFont->Gradient();
  const QBrush GradientBrush = Gradient.Visible() ? Gradient.GetBrush(Box) : QBrush();
  const QColor ShadowColor = GvQColor(0x24000000);
  const QColor Dark = GvQColor(0x5A000000), Light = GvQColor(0xD2FFFFFF);

  for (const TGvSubCaption& Sub : FSubCaptions) {
    const QBrush Brush =
        Gradient.Visible() && Sub.DefaultColor ? GradientBrush : QBrush(GvQColor(Sub.Color));
    const QPointF Base(Sub.X, Sub.Y + Sub.Ascent);
    const TGvCharDrawEffects E = Sub.DrawEffects;
    const bool Outline = E.testFlag(TGvCharDrawEffect::Outline);
    const bool Lowered = E.testFlag(TGvCharDrawEffect::Lowered);
    const bool Raised = E.testFlag(TGvCharDrawEffect::Raised);
    QPainterPath Glyphs;
    if (Outline || Lowered || Raised) Glyphs.addText(Base, Sub.Font, Sub.Text);
    if (Outline) Painter.strokePath(Glyphs, QPen(Brush, 1));
    if (Lowered || Raised) {
      // An embossed rim outside the glyphs: dark on one side, light on the
      // other; the glyphs themselves stay clear.
      QPainterPathStroker Widen;
      Widen.setWidth(1);
      const QPainterPath Widened = Widen.createStroke(Glyphs).united(Glyphs);
      QPainterPath Outside;
      Outside.addRect(Widened.boundingRect().adjusted(-4, -4, 4, 4));
      Painter.save();
      Painter.setClipPath(Outside.subtracted(Widened), Qt::IntersectClip);
      const double Sign = Raised ? 1 : -1;
      Painter.fillPath(Glyphs.translated(Sign, Sign), Dark);
      Painter.fillPath(Glyphs.translated(-Sign, -Sign), Light);
      Painter.restore();
    }
    if (E.testFlag(TGvCharDrawEffect::Shadow)) {
      Painter.setFont(Sub.Font);
      Painter.setPen(ShadowColor);
      for (int K = 1; K <= 9; ++K) Painter.drawText(Base + QPointF(0.4 * K, 0.3 * K), Sub.Text);
    }
    if (!Outline && !Lowered && !Raised) {
      Painter.setFont(Sub.Font);
      Painter.setPen(QPen(Brush, 1));
      Painter.drawText(Base, Sub.Text);
    }
  }
  Painter.restore();
}

// ---- TGvRichCaptionObjects ------------------------------------------------

void TGvRichCaptionObjects::SetCapacity(int Value)
{
  if (Value > Count()) FItems.reserve(size_t(Value));
}

TGvRichCaptionObject* TGvRichCaptionObjects::Add()
{
  return Add(std::make_unique<TGvRichCaptionObject>());
}

TGvRichCaptionObject* TGvRichCaptionObjects::Add(std::unique_ptr<TGvRichCaptionObject> Item)
{
  if (!Item) Item = std::make_unique<TGvRichCaptionObject>();
  FItems.push_back(std::move(Item));
  return FItems.back().get();
}

void TGvRichCaptionObjects::Check(int Index) const
{
  if (Index < 0 || Index >= Count()) throw EGvRangeError::Index(Index);
}

void TGvRichCaptionObjects::Delete(int Index)
{
  Check(Index);
  FItems.erase(FItems.begin() + Index);
}

TGvRichCaptionObject* TGvRichCaptionObjects::Value(int Index) const
{
  Check(Index);
  return FItems[size_t(Index)].get();
}

// ---- TGvRichLabel ---------------------------------------------------------

TGvRichLabel::TGvRichLabel(QWidget* Parent) : QWidget(Parent)
{
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  connect(FCaption.Font(), &TGvPersistent::Changed, this, [this] {
    if (!FAdjusting) FParentFont = false;
    CaptionChanged();
  });
}

TGvRichLabel::~TGvRichLabel()
{
  disconnect(FCaption.Font(), nullptr, this, nullptr);
}

void TGvRichLabel::SetAngle(double Value)
{
  if (Value == FCaption.Angle()) return;
  FCaption.SetAngle(Value);
  CaptionChanged();
}

void TGvRichLabel::SetBackColor(TGvColor Value)
{
  if (Value == FBackColor) return;
  FBackColor = Value;
  update();
}

TGvColor TGvRichLabel::ForeColor() const
{
  return FCaption.GetFillColor();
}

void TGvRichLabel::SetForeColor(TGvColor Value)
{
  FCaption.SetColorOverride(Value);
  update();
}

void TGvRichLabel::SetCaption(const QString& Value)
{
  if (Value == FCaption.Caption()) return;
  FCaption.SetCaption(Value);
  CaptionChanged();
}

void TGvRichLabel::SetTextAlign(TGvContentAlignment Value)
{
  if (Value == FCaption.Alignment()) return;
  FCaption.SetAlignment(Value);
  FCaption.Invalidate();
  CaptionChanged();
}

void TGvRichLabel::SetAutoSize(bool Value)
{
  if (Value == FAutoSize) return;
  FAutoSize = Value;
  AdjustBounds();
}

void TGvRichLabel::SetFont(TGvFont* Value)
{
  if (Value) FCaption.Font()->Assign(*Value); // clears ParentFont through the notification
}

void TGvRichLabel::SetParentFont(bool Value)
{
  FParentFont = Value;
  if (Value) {
    FAdjusting = true;
    FCaption.Font()->AssignQFont(parentWidget() ? parentWidget()->font() : font());
    FAdjusting = false;
  }
}

QString TGvRichLabel::GetPlainText()
{
  if (!FCaption.Parsed()) FCaption.ParseForSize(this, this);
  return FCaption.PlainText();
}

void TGvRichLabel::CaptionChanged()
{
  FCaption.ParseForSize(this, this);
  AdjustBounds();
  update();
}

void TGvRichLabel::AdjustBounds()
{
  if (!FAutoSize) return;
  if (!FCaption.Parsed()) FCaption.ParseForSize(this, this);
  const QSizeF E = FCaption.RotatedExtent();
  resize(std::max(1, int(std::ceil(E.width()))), std::max(1, int(std::ceil(E.height()))));
}

QSize TGvRichLabel::sizeHint() const
{
  const QSizeF E = FCaption.RotatedExtent();
  return QSize(std::max(1, int(std::ceil(E.width()))), std::max(1, int(std::ceil(E.height()))));
}

void TGvRichLabel::PlaceCaption()
{
  // Where the rotated box falls with the anchor at (0, 0), then the anchor
  // moved so that the box sits in the label as TextAlign says.
  FCaption.SetPosition(0, 0);
  const QRectF B = FCaption.RotatedBounds();
  const int Column = int(FCaption.Alignment()) % 3, Row = int(FCaption.Alignment()) / 3;
  const double Left = (width() - B.width()) * Column / 2.0;
  const double Top = (height() - B.height()) * Row / 2.0;
  FCaption.SetPosition(Left - B.left(), Top - B.top());
}

void TGvRichLabel::PaintGr(QPainter& Painter)
{
  if (GetAlpha(FBackColor) > 0) Painter.fillRect(rect(), GvQColor(FBackColor));
  if (!FCaption.Parsed()) FCaption.ParseForSize(Painter, this);
  PlaceCaption();
  FCaption.PaintGr(Painter);
}

void TGvRichLabel::paintEvent(QPaintEvent*)
{
  QPainter Painter(this);
  Painter.setRenderHint(QPainter::Antialiasing);
  PaintGr(Painter);
}

void TGvRichLabel::changeEvent(QEvent* Event)
{
  if (Event->type() == QEvent::FontChange && FParentFont) SetParentFont(true);
  QWidget::changeEvent(Event);
}
