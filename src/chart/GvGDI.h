// Colours of the chart engine: 32-bit ARGB values (alpha in the top byte),
// their bytes, HSL, brightening, the contrast colours that editors pick for
// a colour, the named-colour table and the colour texts of the saved forms,
// and the colour identifiers of the rich-text colour command.
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <vector>

// A colour as 0xAARRGGBB.
using TGvColor = uint32_t;

// The colours the engine names in its defaults.
namespace GvColors {
constexpr TGvColor Transparent = 0x00FFFFFF;
constexpr TGvColor Black = 0xFF000000;
constexpr TGvColor White = 0xFFFFFFFF;
constexpr TGvColor Red = 0xFFFF0000;
constexpr TGvColor Blue = 0xFF0000FF;
constexpr TGvColor Navy = 0xFF000080;
constexpr TGvColor Yellow = 0xFFFFFF00;
constexpr TGvColor Gray = 0xFF808080;
constexpr TGvColor LightGray = 0xFFD3D3D3;
constexpr TGvColor DarkGray = 0xFFA9A9A9;
constexpr TGvColor DimGray = 0xFF696969;
constexpr TGvColor DarkGreen = 0xFF006400;
constexpr TGvColor LightGreen = 0xFF90EE90;
constexpr TGvColor DarkRed = 0xFF8B0000;
constexpr TGvColor LightCoral = 0xFFF08080;
} // namespace GvColors

// ---- Bytes ----------------------------------------------------------------

constexpr uint8_t GetAlpha(TGvColor C)
{
  return uint8_t(C >> 24);
}
constexpr uint8_t GetR(TGvColor C)
{
  return uint8_t(C >> 16);
}
constexpr uint8_t GetG(TGvColor C)
{
  return uint8_t(C >> 8);
}
constexpr uint8_t GetB(TGvColor C)
{
  return uint8_t(C);
}
constexpr TGvColor ColorToARGB(uint8_t A, uint8_t R, uint8_t G, uint8_t B)
{
  return (TGvColor(A) << 24) | (TGvColor(R) << 16) | (TGvColor(G) << 8) | TGvColor(B);
}
// The colour with another alpha.
constexpr TGvColor WithAlpha(TGvColor C, uint8_t A)
{
  return (C & 0x00FFFFFF) | (TGvColor(A) << 24);
}

// Platform colours: a QColor (RGB, HSV or any other) as opaque ARGB, and an ARGB colour as
// the platform's opaque colour (alpha dropped).
TGvColor TColorToARGB(const QColor& Color);
QColor ARGBToTColor(TGvColor Color);
// The colour for painting, alpha kept.
inline QColor GvQColor(TGvColor C)
{
  return QColor::fromRgba(C);
}

// ---- HSL ------------------------------------------------------------------

// (max + min) / 2 of R, G, B, in 0..1.
double GetBrightness(TGvColor Color);
// The hue in degrees, 0 <= hue < 360; 0 for grey.
double GetHue(TGvColor Color);
// The HSL saturation in 0..1; 0 for grey.
double GetSaturation(TGvColor Color);
// An opaque colour from hue (degrees, any value), saturation and lightness
// (each clamped to 0..1). Non-finite arguments count as 0.
TGvColor HSLToColor(double H, double S, double L);
// The colour with its lightness multiplied by Factor (clamped to 0..1),
// alpha kept.
TGvColor Brighten(TGvColor Color, double Factor);

// A background that text of Color stays readable on (DimGray or White), and
// a fore colour that shows on a background of Color.
TGvColor ContrastBackGroundARGB(TGvColor Color);
TGvColor ContrastForeColorARGB(TGvColor Color);

// ---- Named colours --------------------------------------------------------

// The system colours, in the order of the named-colour table.
enum class TGvSystemColor
{
  ActiveBorder,
  ActiveCaption,
  ActiveCaptionText,
  AppWorkspace,
  Control,
  ControlDark,
  ControlDarkDark,
  ControlLight,
  ControlLightLight,
  ControlText,
  Desktop,
  GrayText,
  Highlight,
  HighlightText,
  HotTrack,
  InactiveBorder,
  InactiveCaption,
  InactiveCaptionText,
  Info,
  InfoText,
  Menu,
  MenuText,
  ScrollBar,
  Window,
  WindowFrame,
  WindowText,
};
constexpr int GvSystemColorCount = 26;

// The value of a system colour now: from the application's palette when a
// GUI application runs, else the classic desktop defaults.
TGvColor SystemColorARGB(TGvSystemColor Color);

struct TGvNamedColor
{
  QString Name;
  TGvColor Value;
  bool System;
};

// The 167 named colours: the 26 system colours (resolved now), "Transparent",
// then the 140 web colours in alphabetical order.
std::vector<TGvNamedColor> NamedColors();
constexpr int GvNamedColorCount = 167;

// The colour's name when it equals a named colour other than a system colour
// (the first such entry), otherwise "$" and 8 upper-case hexadecimal digits.
QString ARGBToString(TGvColor Color);
// A colour name (any case, system colours included), or a decimal or
// "$"-hexadecimal integer; an unreadable text gives 0.
TGvColor ColorToARGB(const QString& Text);

// ---- Rich-text colour identifiers ----------------------------------------

// "[A=255, R=255, G=0, B=0]".
QString ARGBToRichID(TGvColor Color);
// Reads the comma-separated "A=", "R=", "G=", "B=" items of Text (brackets
// optional, blanks ignored, items in any order, missing items 0). An item
// that is not a number from 0 to 255, or an unknown item, makes the whole
// identifier unreadable: the result is then 0 (transparent black).
TGvColor RichIDToTGvColor(const QString& Text);
