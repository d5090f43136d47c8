#include "chart/GvGDI.h"

#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <cmath>

TGvColor TColorToARGB(const QColor& Color)
{
  return Color.isValid() ? (TGvColor(Color.rgb()) | 0xFF000000u) : GvColors::Black;
}

QColor ARGBToTColor(TGvColor Color)
{
  return QColor(GetR(Color), GetG(Color), GetB(Color));
}

// ---- HSL ------------------------------------------------------------------

namespace {

struct TRgbUnit
{
  double R, G, B, Max, Min;
};

TRgbUnit Unit(TGvColor C)
{
  TRgbUnit U{GetR(C) / 255.0, GetG(C) / 255.0, GetB(C) / 255.0, 0, 0};
  U.Max = std::max({U.R, U.G, U.B});
  U.Min = std::min({U.R, U.G, U.B});
  return U;
}

double Clamp01(double V)
{
  return std::isfinite(V) ? std::clamp(V, 0.0, 1.0) : 0.0;
}

double HueToChannel(double P, double Q, double T)
{
  if (T < 0) T += 1;
  if (T > 1) T -= 1;
  if (T < 1.0 / 6) return P + (Q - P) * 6 * T;
  if (T < 0.5) return Q;
  if (T < 2.0 / 3) return P + (Q - P) * (2.0 / 3 - T) * 6;
  return P;
}

uint8_t ToByte(double V)
{
  return uint8_t(std::lround(Clamp01(V) * 255.0));
}

} // namespace

double GetBrightness(TGvColor Color)
{
  const TRgbUnit U = Unit(Color);
  return (U.Max + U.Min) / 2;
}

double GetHue(TGvColor Color)
{
  const TRgbUnit U = Unit(Color);
  const double D = U.Max - U.Min;
  if (D <= 0) return 0;
  double H;
  if (U.Max == U.R)
    H = (U.G - U.B) / D;
  else if (U.Max == U.G)
    H = 2 + (U.B - U.R) / D;
  else
    H = 4 + (U.R - U.G) / D;
  H *= 60;
  if (H < 0) H += 360;
  return H;
}

double GetSaturation(TGvColor Color)
{
  const TRgbUnit U = Unit(Color);
  const double D = U.Max - U.Min;
  if (D <= 0) return 0;
  const double L = (U.Max + U.Min) / 2;
  return L <= 0.5 ? D / (U.Max + U.Min) : D / (2 - U.Max - U.Min);
}

TGvColor HSLToColor(double H, double S, double L)
{
  if (!std::isfinite(H)) H = 0;
  S = Clamp01(S);
  L = Clamp01(L);
  if (S == 0) return ColorToARGB(255, ToByte(L), ToByte(L), ToByte(L));
  double Hue = std::fmod(H, 360.0) / 360.0;
  if (Hue < 0) Hue += 1;
  const double Q = L < 0.5 ? L * (1 + S) : L + S - L * S;
  const double P = 2 * L - Q;
  return ColorToARGB(255, ToByte(HueToChannel(P, Q, Hue + 1.0 / 3)),
                     ToByte(HueToChannel(P, Q, Hue)), ToByte(HueToChannel(P, Q, Hue - 1.0 / 3)));
}

TGvColor Brighten(TGvColor Color, double Factor)
{
  if (!std::isfinite(Factor)) Factor = 1;
  const TGvColor C = HSLToColor(GetHue(Color), GetSaturation(Color), GetBrightness(Color) * Factor);
  return WithAlpha(C, GetAlpha(Color));
}

TGvColor ContrastBackGroundARGB(TGvColor Color)
{
  const double Hue = GetHue(Color);
  const double L = GetBrightness(Color);
  const bool Yellowish = Hue > 45 && Hue < 85;
  return L >= (Yellowish ? 0.5 : 0.8) ? GvColors::DimGray : GvColors::White;
}

TGvColor ContrastForeColorARGB(TGvColor Color)
{
  const double Hue = GetHue(Color);
  const double L = GetBrightness(Color);
  if (Hue < 45 || Hue > 250) return L >= 0.75 ? GvColors::DarkGreen : GvColors::LightGreen;
  return L >= 0.5 ? GvColors::DarkRed : GvColors::LightCoral;
}

// ---- Named colours --------------------------------------------------------

namespace {

struct TSystemEntry
{
  const char* Name;
  TGvColor Classic; // the classic desktop value, used without a GUI application
  QPalette::ColorGroup Group;
  QPalette::ColorRole Role;
};

constexpr QPalette::ColorGroup Act = QPalette::Active;
constexpr QPalette::ColorGroup Ina = QPalette::Inactive;
constexpr QPalette::ColorGroup Dis = QPalette::Disabled;

const TSystemEntry SystemEntries[GvSystemColorCount] = {
    {"ActiveBorder", 0xFFD4D0C8, Act, QPalette::Window},
    {"ActiveCaption", 0xFF0A246A, Act, QPalette::Highlight},
    {"ActiveCaptionText", 0xFFFFFFFF, Act, QPalette::HighlightedText},
    {"AppWorkspace", 0xFF808080, Act, QPalette::Dark},
    {"Control", 0xFFD4D0C8, Act, QPalette::Button},
    {"ControlDark", 0xFF808080, Act, QPalette::Dark},
    {"ControlDarkDark", 0xFF404040, Act, QPalette::Shadow},
    {"ControlLight", 0xFFD4D0C8, Act, QPalette::Midlight},
    {"ControlLightLight", 0xFFFFFFFF, Act, QPalette::Light},
    {"ControlText", 0xFF000000, Act, QPalette::ButtonText},
    {"Desktop", 0xFF3A6EA5, Act, QPalette::Dark},
    {"GrayText", 0xFF808080, Dis, QPalette::Text},
    {"Highlight", 0xFF0A246A, Act, QPalette::Highlight},
    {"HighlightText", 0xFFFFFFFF, Act, QPalette::HighlightedText},
    {"HotTrack", 0xFF000080, Act, QPalette::Link},
    {"InactiveBorder", 0xFFD4D0C8, Ina, QPalette::Window},
    {"InactiveCaption", 0xFF808080, Ina, QPalette::Mid},
    {"InactiveCaptionText", 0xFFD4D0C8, Ina, QPalette::Light},
    {"Info", 0xFFFFFFE1, Act, QPalette::ToolTipBase},
    {"InfoText", 0xFF000000, Act, QPalette::ToolTipText},
    {"Menu", 0xFFD4D0C8, Act, QPalette::Window},
    {"MenuText", 0xFF000000, Act, QPalette::WindowText},
    {"ScrollBar", 0xFFD4D0C8, Act, QPalette::Mid},
    {"Window", 0xFFFFFFFF, Act, QPalette::Base},
    {"WindowFrame", 0xFF000000, Act, QPalette::Shadow},
    {"WindowText", 0xFF000000, Act, QPalette::Text},
};

struct TWebEntry
{
  const char* Name;
  TGvColor Value;
};

const TWebEntry WebEntries[] = {
    {"Transparent", 0x00FFFFFF},
    {"AliceBlue", 0xFFF0F8FF},
    {"AntiqueWhite", 0xFFFAEBD7},
    {"Aqua", 0xFF00FFFF},
    {"Aquamarine", 0xFF7FFFD4},
    {"Azure", 0xFFF0FFFF},
    {"Beige", 0xFFF5F5DC},
    {"Bisque", 0xFFFFE4C4},
    {"Black", 0xFF000000},
    {"BlanchedAlmond", 0xFFFFEBCD},
    {"Blue", 0xFF0000FF},
    {"BlueViolet", 0xFF8A2BE2},
    {"Brown", 0xFFA52A2A},
    {"BurlyWood", 0xFFDEB887},
    {"CadetBlue", 0xFF5F9EA0},
    {"Chartreuse", 0xFF7FFF00},
    {"Chocolate", 0xFFD2691E},
    {"Coral", 0xFFFF7F50},
    {"CornflowerBlue", 0xFF6495ED},
    {"Cornsilk", 0xFFFFF8DC},
    {"Crimson", 0xFFDC143C},
    {"Cyan", 0xFF00FFFF},
    {"DarkBlue", 0xFF00008B},
    {"DarkCyan", 0xFF008B8B},
    {"DarkGoldenrod", 0xFFB8860B},
    {"DarkGray", 0xFFA9A9A9},
    {"DarkGreen", 0xFF006400},
    {"DarkKhaki", 0xFFBDB76B},
    {"DarkMagenta", 0xFF8B008B},
    {"DarkOliveGreen", 0xFF556B2F},
    {"DarkOrange", 0xFFFF8C00},
    {"DarkOrchid", 0xFF9932CC},
    {"DarkRed", 0xFF8B0000},
    {"DarkSalmon", 0xFFE9967A},
    {"DarkSeaGreen", 0xFF8FBC8F},
    {"DarkSlateBlue", 0xFF483D8B},
    {"DarkSlateGray", 0xFF2F4F4F},
    {"DarkTurquoise", 0xFF00CED1},
    {"DarkViolet", 0xFF9400D3},
    {"DeepPink", 0xFFFF1493},
    {"DeepSkyBlue", 0xFF00BFFF},
    {"DimGray", 0xFF696969},
    {"DodgerBlue", 0xFF1E90FF},
    {"Firebrick", 0xFFB22222},
    {"FloralWhite", 0xFFFFFAF0},
    {"ForestGreen", 0xFF228B22},
    {"Fuchsia", 0xFFFF00FF},
    {"Gainsboro", 0xFFDCDCDC},
    {"GhostWhite", 0xFFF8F8FF},
    {"Gold", 0xFFFFD700},
    {"Goldenrod", 0xFFDAA520},
    {"Gray", 0xFF808080},
    {"Green", 0xFF008000},
    {"GreenYellow", 0xFFADFF2F},
    {"Honeydew", 0xFFF0FFF0},
    {"HotPink", 0xFFFF69B4},
    {"IndianRed", 0xFFCD5C5C},
    {"Indigo", 0xFF4B0082},
    {"Ivory", 0xFFFFFFF0},
    {"Khaki", 0xFFF0E68C},
    {"Lavender", 0xFFE6E6FA},
    {"LavenderBlush", 0xFFFFF0F5},
    {"LawnGreen", 0xFF7CFC00},
    {"LemonChiffon", 0xFFFFFACD},
    {"LightBlue", 0xFFADD8E6},
    {"LightCoral", 0xFFF08080},
    {"LightCyan", 0xFFE0FFFF},
    {"LightGoldenrodYellow", 0xFFFAFAD2},
    {"LightGray", 0xFFD3D3D3},
    {"LightGreen", 0xFF90EE90},
    {"LightPink", 0xFFFFB6C1},
    {"LightSalmon", 0xFFFFA07A},
    {"LightSeaGreen", 0xFF20B2AA},
    {"LightSkyBlue", 0xFF87CEFA},
    {"LightSlateGray", 0xFF778899},
    {"LightSteelBlue", 0xFFB0C4DE},
    {"LightYellow", 0xFFFFFFE0},
    {"Lime", 0xFF00FF00},
    {"LimeGreen", 0xFF32CD32},
    {"Linen", 0xFFFAF0E6},
    {"Magenta", 0xFFFF00FF},
    {"Maroon", 0xFF800000},
    {"MediumAquamarine", 0xFF66CDAA},
    {"MediumBlue", 0xFF0000CD},
    {"MediumOrchid", 0xFFBA55D3},
    {"MediumPurple", 0xFF9370DB},
    {"MediumSeaGreen", 0xFF3CB371},
    {"MediumSlateBlue", 0xFF7B68EE},
    {"MediumSpringGreen", 0xFF00FA9A},
    {"MediumTurquoise", 0xFF48D1CC},
    {"MediumVioletRed", 0xFFC71585},
    {"MidnightBlue", 0xFF191970},
    {"MintCream", 0xFFF5FFFA},
    {"MistyRose", 0xFFFFE4E1},
    {"Moccasin", 0xFFFFE4B5},
    {"NavajoWhite", 0xFFFFDEAD},
    {"Navy", 0xFF000080},
    {"OldLace", 0xFFFDF5E6},
    {"Olive", 0xFF808000},
    {"OliveDrab", 0xFF6B8E23},
    {"Orange", 0xFFFFA500},
    {"OrangeRed", 0xFFFF4500},
    {"Orchid", 0xFFDA70D6},
    {"PaleGoldenrod", 0xFFEEE8AA},
    {"PaleGreen", 0xFF98FB98},
    {"PaleTurquoise", 0xFFAFEEEE},
    {"PaleVioletRed", 0xFFDB7093},
    {"PapayaWhip", 0xFFFFEFD5},
    {"PeachPuff", 0xFFFFDAB9},
    {"Peru", 0xFFCD853F},
    {"Pink", 0xFFFFC0CB},
    {"Plum", 0xFFDDA0DD},
    {"PowderBlue", 0xFFB0E0E6},
    {"Purple", 0xFF800080},
    {"Red", 0xFFFF0000},
    {"RosyBrown", 0xFFBC8F8F},
    {"RoyalBlue", 0xFF4169E1},
    {"SaddleBrown", 0xFF8B4513},
    {"Salmon", 0xFFFA8072},
    {"SandyBrown", 0xFFF4A460},
    {"SeaGreen", 0xFF2E8B57},
    {"SeaShell", 0xFFFFF5EE},
    {"Sienna", 0xFFA0522D},
    {"Silver", 0xFFC0C0C0},
    {"SkyBlue", 0xFF87CEEB},
    {"SlateBlue", 0xFF6A5ACD},
    {"SlateGray", 0xFF708090},
    {"Snow", 0xFFFFFAFA},
    {"SpringGreen", 0xFF00FF7F},
    {"SteelBlue", 0xFF4682B4},
    {"Tan", 0xFFD2B48C},
    {"Teal", 0xFF008080},
    {"Thistle", 0xFFD8BFD8},
    {"Tomato", 0xFFFF6347},
    {"Turquoise", 0xFF40E0D0},
    {"Violet", 0xFFEE82EE},
    {"Wheat", 0xFFF5DEB3},
    {"White", 0xFFFFFFFF},
    {"WhiteSmoke", 0xFFF5F5F5},
    {"Yellow", 0xFFFFFF00},
    {"YellowGreen", 0xFF9ACD32},
};

constexpr int WebEntryCount = int(sizeof(WebEntries) / sizeof(WebEntries[0]));
static_assert(GvSystemColorCount + WebEntryCount == GvNamedColorCount);

} // namespace

TGvColor SystemColorARGB(TGvSystemColor Color)
{
  const int I = int(Color);
  if (I < 0 || I >= GvSystemColorCount) return GvColors::Black;
  const TSystemEntry& E = SystemEntries[I];
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return E.Classic;
  return TColorToARGB(QGuiApplication::palette().color(E.Group, E.Role));
}

std::vector<TGvNamedColor> NamedColors()
{
  std::vector<TGvNamedColor> Colors;
  Colors.reserve(GvNamedColorCount);
  for (int I = 0; I < GvSystemColorCount; ++I)
    Colors.push_back(
        {QString::fromLatin1(SystemEntries[I].Name), SystemColorARGB(TGvSystemColor(I)), true});
  for (const TWebEntry& E : WebEntries)
    Colors.push_back({QString::fromLatin1(E.Name), E.Value, false});
  return Colors;
}

QString ARGBToString(TGvColor Color)
{
  for (const TWebEntry& E : WebEntries)
    if (E.Value == Color) return QString::fromLatin1(E.Name);
  return QStringLiteral("$%1").arg(Color, 8, 16, QLatin1Char('0')).toUpper();
}

TGvColor ColorToARGB(const QString& Text)
{
  const QString T = Text.trimmed();
  if (T.isEmpty()) return 0;
  for (const TWebEntry& E : WebEntries)
    if (T.compare(QLatin1String(E.Name), Qt::CaseInsensitive) == 0) return E.Value;
  for (int I = 0; I < GvSystemColorCount; ++I)
    if (T.compare(QLatin1String(SystemEntries[I].Name), Qt::CaseInsensitive) == 0)
      return SystemColorARGB(TGvSystemColor(I));
  // An integer literal: decimal with an optional sign, or "$" / "0x" hexadecimal.
  bool Ok = false;
  if (T.startsWith(QLatin1Char('$'))) {
    const QString Digits = T.mid(1);
    const qulonglong V = Digits.size() <= 8 ? Digits.toULongLong(&Ok, 16) : 0;
    return Ok ? TGvColor(V) : 0;
  }
  if (T.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    const QString Digits = T.mid(2);
    const qulonglong V = Digits.size() <= 8 ? Digits.toULongLong(&Ok, 16) : 0;
    return Ok ? TGvColor(V) : 0;
  }
  const qlonglong V = T.toLongLong(&Ok, 10);
  if (!Ok || V < -2147483648LL || V > 4294967295LL) return 0;
  return TGvColor(uint32_t(int64_t(V)));
}

// ---- Rich-text colour identifiers ----------------------------------------

QString ARGBToRichID(TGvColor Color)
{
  return QStringLiteral("[A=%1, R=%2, G=%3, B=%4]")
      .arg(GetAlpha(Color))
      .arg(GetR(Color))
      .arg(GetG(Color))
      .arg(GetB(Color));
}

TGvColor RichIDToTGvColor(const QString& Text)
{
  QString T = Text.trimmed();
  if (T.startsWith(QLatin1Char('['))) T.remove(0, 1);
  if (T.endsWith(QLatin1Char(']'))) T.chop(1);
  if (T.trimmed().isEmpty()) return 0;
  int Bytes[4] = {0, 0, 0, 0}; // A, R, G, B
  for (const QString& Item : T.split(QLatin1Char(','))) {
    const qsizetype Eq = Item.indexOf(QLatin1Char('='));
    if (Eq < 0) return 0;
    const QString Key = Item.left(Eq).trimmed().toUpper();
    bool Ok = false;
    const int V = Item.mid(Eq + 1).trimmed().toInt(&Ok, 10);
    if (!Ok || V < 0 || V > 255 || Key.size() != 1) return 0;
    const qsizetype Slot = QStringLiteral("ARGB").indexOf(Key);
    if (Slot < 0) return 0;
    Bytes[Slot] = V;
  }
  return ColorToARGB(uint8_t(Bytes[0]), uint8_t(Bytes[1]), uint8_t(Bytes[2]), uint8_t(Bytes[3]));
}
