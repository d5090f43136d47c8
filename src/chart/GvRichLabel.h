// Rich text captions: every text of the chart engine (titles, axis captions
// and labels, legend entries, the label control) is a string with backslash
// commands:
//
//   \+  superscript on/off        \b  bold on/off        \c[A=a, R=r, G=g, B=b]  colour
//   \-  subscript on/off          \i  italic on/off      \c[]  back to the caption's colour
//   \\  a backslash               \u  underline on/off   \f[name]  font family
//                                 \o  strike-out on/off  \f[]  back to the font's family
//
// line ends ("\r", "\n", "\r\n", "\n\r") start new lines, and "<%" name "%>"
// fields are replaced by the named values (ParseVariables). Anything else
// after a backslash, a backslash at the end and an unclosed "\c[" or "\f["
// stand as literal text.
//
//   TGvFont                  the font of a caption: family, size, style,
//                            fill colour or gradient, draw effects, rendering
//   GvParseRichText          the commands as runs of uniform format (no fonts)
//   TGvRichCaptionObject     a caption laid out with a painter's metrics and
//                            painted at an anchor, aligned and rotated
//   TGvRichCaptionObjects    an indexed list of caption objects
//   TGvRichLabel             the free-standing label control
#pragma once

#include "chart/GvComponent.h"
#include "chart/GvGDI.h"
#include "chart/GvStyles.h"

#include <QFont>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QPaintDevice;

namespace GvRichTypes {
Q_NAMESPACE

// Where a caption's anchor point lies on its text box.
enum class TGvContentAlignment
{
  TopLeft,
  TopCenter,
  TopRight,
  MiddleLeft,
  MiddleCenter,
  MiddleRight,
  BottomLeft,
  BottomCenter,
  BottomRight,
};
Q_ENUM_NS(TGvContentAlignment)

enum class TGvCharDrawEffect
{
  Shadow = 1,
  Outline = 2,
  Lowered = 4,
  Raised = 8,
};
Q_DECLARE_FLAGS(TGvCharDrawEffects, TGvCharDrawEffect)
Q_FLAG_NS(TGvCharDrawEffects)

enum class TGvTextRenderingHint
{
  SystemDefault,
  SingleBitPerPixelGridFit,
  SingleBitPerPixel,
  AntiAliasGridFit,
  AntiAlias,
  ClearTypeGridFit,
};
Q_ENUM_NS(TGvTextRenderingHint)

// The style bits of a font (stored in this order).
enum class TGvFontStyle
{
  Bold = 1,
  Italic = 2,
  Underline = 4,
  StrikeOut = 8,
};
Q_DECLARE_FLAGS(TGvFontStyles, TGvFontStyle)
Q_FLAG_NS(TGvFontStyles)

} // namespace GvRichTypes

Q_DECLARE_OPERATORS_FOR_FLAGS(GvRichTypes::TGvCharDrawEffects)
Q_DECLARE_OPERATORS_FOR_FLAGS(GvRichTypes::TGvFontStyles)

using GvRichTypes::TGvCharDrawEffect;
using GvRichTypes::TGvCharDrawEffects;
using GvRichTypes::TGvContentAlignment;
using GvRichTypes::TGvFontStyle;
using GvRichTypes::TGvFontStyles;
using GvRichTypes::TGvTextRenderingHint;

// A rich caption's source text.
using TGvRichCaption = QString;

// The family a font name is drawn in: the name when the family is installed,
// else "Arial", else the application's default family.
QString GvResolveFontFamily(const QString& Name);

// Sets the painter's text antialiasing and the font's antialiasing and
// hinting from a rendering hint (SystemDefault leaves both as they are).
void ApplyRenderingHint(QPainter& Painter, TGvTextRenderingHint Hint);
void ApplyRenderingHint(QFont& Font, TGvTextRenderingHint Hint);

// ---- TGvFont --------------------------------------------------------------

// The font of a caption. Changes tell the owner (Changed(): the owner lays
// its text out again). The stored Name stays as given even when the family is
// not installed; ToQFont draws it in the resolved family.
class TGvFont : public TGvPersistent
{
  Q_OBJECT
  Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
  Q_PROPERTY(TGvColor Color READ Color WRITE SetColor)
  Q_PROPERTY(TGvColor FillColor READ FillColor WRITE SetFillColor)
  Q_PROPERTY(QString Name READ Name WRITE SetName)
  Q_PROPERTY(TGvGradientSettings* Gradient READ Gradient WRITE SetGradient)
  Q_PROPERTY(int Height READ Height WRITE SetHeight)
  Q_PROPERTY(float Size READ Size WRITE SetSize)
  Q_PROPERTY(GvRichTypes::TGvCharDrawEffects DrawEffects READ DrawEffects WRITE SetDrawEffects)
  Q_PROPERTY(
      GvRichTypes::TGvTextRenderingHint RenderingHint READ RenderingHint WRITE SetRenderingHint)
  Q_PROPERTY(GvRichTypes::TGvFontStyles Style READ Style WRITE SetStyle)
public:
  explicit TGvFont(QObject* Owner = nullptr);
  TGvFont(const QString& Name, float Size, TGvFontStyles Style = {}, QObject* Owner = nullptr);

  // The largest size in points; larger sizes are limited to it.
  static constexpr float MaxSize = 1000;

  int Charset() const { return FCharset; }
  void SetCharset(int Value);
  // The platform colour of the font (kept for the saved forms).
  TGvColor Color() const { return FColor; }
  void SetColor(TGvColor Value);
  // The text colour.
  TGvColor FillColor() const { return FFillColor; }
  void SetFillColor(TGvColor Value);
  QString Name() const { return FName; }
  void SetName(const QString& Value);
  TGvGradientSettings* Gradient() const { return FGradient; }
  void SetGradient(TGvGradientSettings* Value);
  // The character height in pixels at 96 dots per inch, negative as the
  // platform gives it: -round(Size * 96 / 72).
  int Height() const;
  void SetHeight(int Value);
  // Points; sizes that are not finite or not above 0 are refused.
  float Size() const { return FSize; }
  void SetSize(float Value);
  TGvCharDrawEffects DrawEffects() const { return FDrawEffects; }
  void SetDrawEffects(TGvCharDrawEffects Value);
  TGvTextRenderingHint RenderingHint() const { return FRenderingHint; }
  void SetRenderingHint(TGvTextRenderingHint Value);
  TGvFontStyles Style() const { return FStyle; }
  void SetStyle(TGvFontStyles Value);

  void SetUndoStack(TGvUndoStackBase* Stack) override;
  void Assign(const TGvFont& Source);
  // Takes family, size and style of a platform font.
  void AssignQFont(const QFont& Font);

  // The font to draw with (resolved family), SizeFactor times the size.
  QFont ToQFont(double SizeFactor = 1) const;

  // Records the font's values (Name, Size, Style, DrawEffects, FillColor and
  // the gradient's) on Stack as one group, before an owner changes the font.
  void PushToUndoStack(TGvUndoStackBase* Stack, const QString& Comment);

private:
  int FCharset = 1;
  TGvColor FColor = GvColors::Black;
  TGvColor FFillColor = GvColors::Black;
  QString FName = QStringLiteral("Arial");
  float FSize = 10;
  TGvCharDrawEffects FDrawEffects;
  TGvTextRenderingHint FRenderingHint = TGvTextRenderingHint::SystemDefault;
  TGvFontStyles FStyle;
  TGvGradientSettings* FGradient;
};

// ---- Parsing --------------------------------------------------------------

// The format of a run of text.
struct TGvRichFormat
{
  QString FontName; // empty: the caption font's family
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  bool Superscript = false;
  bool Subscript = false;
  bool DefaultColor = true; // the caption's colour (and its gradient)
  TGvColor Color = 0;       // when not DefaultColor
};

struct TGvRichRun
{
  QString Text;
  int Line = 0;
  TGvRichFormat Format;
  // Switching super- or subscript on moves the next run right by a tenth of
  // the script size (+1), switching it off back (-1); summed over the
  // switches since the previous run. A run followed by a move back is that
  // much wider, so that the next run starts where its text ends.
  int Shift = 0;
};

struct TGvRichParse
{
  std::vector<TGvRichRun> Runs; // non-empty texts only
  int LineCount = 0;            // 0 for an empty text
  QString PlainText;            // the texts, lines joined by "\n"
};

// Splits Text (fields already replaced) into runs; Start is the format of the
// first run (bold and so on from the font style). Every input is read to its
// end in one pass.
TGvRichParse GvParseRichText(const QString& Text, const TGvRichFormat& Start);
// Line ends as "\r": "\r\n" and "\n\r" count as one, a lone "\n" or "\r" too.
QString GvUnifyLineEnds(const QString& Text);

// ---- TGvSubCaption --------------------------------------------------------

// One run as laid out: position relative to the caption's top-left corner.
struct TGvSubCaption
{
  QString Text;
  QString FontName; // as asked for (the font may be drawn in a fallback)
  QFont Font;
  double Size = 0; // points
  TGvColor Color = 0;
  bool DefaultColor = true;
  TGvCharDrawEffects DrawEffects;
  int Line = 0;
  double X = 0;
  double Y = 0;      // top of the run
  double Width = 0;  // advance
  double Ascent = 0; // from the top to the base line
  bool Superscript = false;
  bool Subscript = false;
};

// ---- TGvRichCaptionObject -------------------------------------------------

class TGvRichCaptionObject
{
public:
  TGvRichCaptionObject();
  explicit TGvRichCaptionObject(const QString& Caption);
  ~TGvRichCaptionObject();
  TGvRichCaptionObject(const TGvRichCaptionObject&) = delete;
  TGvRichCaptionObject& operator=(const TGvRichCaptionObject&) = delete;

  // Copies caption, font, anchor, alignment, angle and colour override.
  void Assign(const TGvRichCaptionObject& Source);

  QString Caption() const { return FCaption; }
  void SetCaption(const QString& Value);
  TGvFont* Font() const { return FFont.get(); }
  void SetFont(const TGvFont& Value) { FFont->Assign(Value); }
  double X() const { return FX; }
  double Y() const { return FY; }
  void SetPosition(double X, double Y);
  TGvContentAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TGvContentAlignment Value) { FAlignment = Value; }
  // Degrees, counter-clockwise on the screen, about the anchor.
  double Angle() const { return FAngle; }
  void SetAngle(double Value);
  // A colour that replaces the font's fill colour.
  std::optional<TGvColor> ColorOverride() const { return FColorOverride; }
  void SetColorOverride(std::optional<TGvColor> Value);
  TGvColor GetFillColor() const;

  // Lays the caption out with the metrics of the painter's device (its text
  // rendering set from the font); Owner resolves the "<%" name "%>" fields.
  void ParseForSize(QPainter& Painter, const QObject* Owner = nullptr);
  // The same for a device (the screen when none is given).
  void ParseForSize(const QPaintDevice* Device, const QObject* Owner = nullptr);
  // Whether a layout exists (painting lays out only when none does).
  bool Parsed() const { return !FLineWidths.empty(); }
  // Forgets the layout (text, font or colour changed).
  void Invalidate();

  // Draws the caption (laying it out first when needed).
  void PaintGr(QPainter& Painter);

  // Results of the last layout.
  QString PlainText() const { return FPlainText; }
  const std::vector<TGvSubCaption>& SubCaptions() const { return FSubCaptions; }
  const std::vector<double>& LineWidths() const { return FLineWidths; }
  int LineCount() const { return int(FLineWidths.size()); }
  double LineHeight() const { return FLineHeight; }
  double Width() const { return FWidth; }
  double Height() const { return FHeight; }

  // The text box's top-left corner relative to the anchor, before rotation.
  QPointF BoxOffset() const;
  // The extent of the rotated box: width * |cos| + height * |sin| along the
  // screen's x, width * |sin| + height * |cos| along its y.
  QSizeF RotatedExtent() const;
  // The screen rectangle the rotated box covers.
  QRectF RotatedBounds() const;

private:
  void Layout(const QPaintDevice* Device, const QObject* Owner);

  QString FCaption;
  std::unique_ptr<TGvFont> FFont;
  double FX = 0, FY = 0;
  TGvContentAlignment FAlignment = TGvContentAlignment::TopLeft;
  double FAngle = 0;
  std::optional<TGvColor> FColorOverride;
  QPointer<const QObject> FOwner;

  QString FPlainText;
  std::vector<TGvSubCaption> FSubCaptions;
  std::vector<double> FLineWidths;
  double FLineHeight = 0;
  double FWidth = 0;
  double FHeight = 0;
};

// ---- TGvRichCaptionObjects ------------------------------------------------

class TGvRichCaptionObjects
{
public:
  int Count() const { return int(FItems.size()); }
  int Capacity() const { return int(FItems.capacity()); }
  void SetCapacity(int Value);
  // Appends a new caption object and returns it (the list owns it).
  TGvRichCaptionObject* Add();
  TGvRichCaptionObject* Add(std::unique_ptr<TGvRichCaptionObject> Item);
  // Raise "i=%d index out of range" for an index below 0 or at or beyond Count.
  void Delete(int Index);
  TGvRichCaptionObject* Value(int Index) const;
  TGvRichCaptionObject* operator[](int Index) const { return Value(Index); }
  void Clear() { FItems.clear(); }

private:
  void Check(int Index) const;
  std::vector<std::unique_ptr<TGvRichCaptionObject>> FItems;
};

// ---- TGvRichLabel ---------------------------------------------------------

// A label showing a rich caption, rotated by Angle and aligned by TextAlign in
// its rectangle; with AutoSize it takes the size of the rotated caption.
class TGvRichLabel : public QWidget
{
  Q_OBJECT
  Q_PROPERTY(double Angle READ Angle WRITE SetAngle)
  Q_PROPERTY(TGvColor BackColor READ BackColor WRITE SetBackColor)
  Q_PROPERTY(TGvColor ForeColor READ ForeColor WRITE SetForeColor)
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(GvRichTypes::TGvContentAlignment TextAlign READ TextAlign WRITE SetTextAlign)
  Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)
  Q_PROPERTY(TGvFont* Font READ Font WRITE SetFont)
  Q_PROPERTY(bool ParentFont READ ParentFont WRITE SetParentFont)
public:
  explicit TGvRichLabel(QWidget* Parent = nullptr);
  ~TGvRichLabel() override;

  double Angle() const { return FCaption.Angle(); }
  void SetAngle(double Value);
  // Transparent by default.
  TGvColor BackColor() const { return FBackColor; }
  void SetBackColor(TGvColor Value);
  // The text colour: the font's fill colour until set.
  TGvColor ForeColor() const;
  void SetForeColor(TGvColor Value);
  QString Caption() const { return FCaption.Caption(); }
  void SetCaption(const QString& Value);
  TGvContentAlignment TextAlign() const { return FCaption.Alignment(); }
  void SetTextAlign(TGvContentAlignment Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  TGvFont* Font() const { return FCaption.Font(); }
  void SetFont(TGvFont* Value);
  // Whether the font follows the parent widget's font (family, size, style).
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);

  QString GetPlainText();
  // With AutoSize: the size of the rotated caption (at least 1 x 1).
  void AdjustBounds();
  // Paints background and caption in the label's coordinates.
  void PaintGr(QPainter& Painter);
  const TGvRichCaptionObject& CaptionObject() const { return FCaption; }

  QSize sizeHint() const override;

protected:
  void paintEvent(QPaintEvent* Event) override;
  void changeEvent(QEvent* Event) override;

private:
  void CaptionChanged();
  // Places the caption's anchor so that its rotated box is aligned by
  // TextAlign within the label.
  void PlaceCaption();

  TGvRichCaptionObject FCaption;
  TGvColor FBackColor = GvColors::Transparent;
  bool FAutoSize = true;
  bool FParentFont = false;
  bool FAdjusting = false;
};
