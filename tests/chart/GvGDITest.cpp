// Colour bytes, HSL, contrast colours, the named-colour table, colour texts
// and the rich-text colour identifiers.
#include "chart/GvGDI.h"

#include <QSet>
#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(GvGDI, BytesOfAnARGBValue)
{
  const TGvColor C = ColorToARGB(0x12, 0x34, 0x56, 0x78);
  EXPECT_EQ(C, 0x12345678u);
  EXPECT_EQ(GetAlpha(C), 0x12);
  EXPECT_EQ(GetR(C), 0x34);
  EXPECT_EQ(GetG(C), 0x56);
  EXPECT_EQ(GetB(C), 0x78);
  EXPECT_EQ(WithAlpha(C, 0xFF), 0xFF345678u);
  // Platform colours are opaque.
  EXPECT_EQ(TColorToARGB(QColor(1, 2, 3, 4)), 0xFF010203u);
  EXPECT_EQ(ARGBToTColor(0x80FF0000), QColor(255, 0, 0));
  EXPECT_EQ(GvQColor(0x80FF0000).alpha(), 0x80);
}

struct THslCase
{
  TGvColor Color;
  double Hue, Saturation, Brightness;
};

TEST(GvGDI, HueSaturationBrightness)
{
  const THslCase Cases[] = {
      {0xFFFF0000, 0, 1, 0.5},         {0xFFFFFF00, 60, 1, 0.5},
      {0xFF00FF00, 120, 1, 0.5},       {0xFF0000FF, 240, 1, 0.5},
      {0xFFFF00FF, 300, 1, 0.5},       {0xFF808080, 0, 0, 128 / 255.0},
      {0xFFFFFFFF, 0, 0, 1},           {0xFF000000, 0, 0, 0},
      {0xFF8B0000, 0, 1, 139 / 510.0}, {0xFFFFC0CB, 349.5238, 1, (255 + 192) / 510.0},
  };
  for (const THslCase& C : Cases) {
    EXPECT_NEAR(GetHue(C.Color), C.Hue, 1e-3) << std::hex << C.Color;
    EXPECT_NEAR(GetSaturation(C.Color), C.Saturation, 1e-9) << std::hex << C.Color;
    EXPECT_NEAR(GetBrightness(C.Color), C.Brightness, 1e-9) << std::hex << C.Color;
  }
}

TEST(GvGDI, HSLToColorClampsAndRoundsTrip)
{
  EXPECT_EQ(HSLToColor(0, 1, 0.5), 0xFFFF0000u);
  EXPECT_EQ(HSLToColor(120, 1, 0.5), 0xFF00FF00u);
  EXPECT_EQ(HSLToColor(240, 1, 0.5), 0xFF0000FFu);
  EXPECT_EQ(HSLToColor(-120, 1, 0.5), 0xFF0000FFu); // hue wraps round
  EXPECT_EQ(HSLToColor(600, 1, 0.5), 0xFF0000FFu);
  EXPECT_EQ(HSLToColor(0, 0, 0.5), 0xFF808080u);
  EXPECT_EQ(HSLToColor(0, 5, 0.5), 0xFFFF0000u); // saturation clamped to 1
  EXPECT_EQ(HSLToColor(0, 1, -3), 0xFF000000u);
  EXPECT_EQ(HSLToColor(0, 1, 7), 0xFFFFFFFFu);
  EXPECT_EQ(HSLToColor(NAN, NAN, NAN), 0xFF000000u);
  // Every web colour comes back from its HSL within one step per byte.
  for (const TGvNamedColor& N : NamedColors()) {
    if (N.System || GetAlpha(N.Value) != 255) continue;
    const TGvColor Back =
        HSLToColor(GetHue(N.Value), GetSaturation(N.Value), GetBrightness(N.Value));
    EXPECT_LE(std::abs(GetR(Back) - GetR(N.Value)), 1) << N.Name.toStdString();
    EXPECT_LE(std::abs(GetG(Back) - GetG(N.Value)), 1) << N.Name.toStdString();
    EXPECT_LE(std::abs(GetB(Back) - GetB(N.Value)), 1) << N.Name.toStdString();
  }
}

TEST(GvGDI, BrightenScalesLightnessAndKeepsAlpha)
{
  EXPECT_EQ(Brighten(0x80FF0000, 1), 0x80FF0000u);
  EXPECT_EQ(Brighten(0x80FF0000, 0), 0x80000000u);
  EXPECT_EQ(Brighten(0xFFFF0000, 2), 0xFFFFFFFFu);
  EXPECT_NEAR(GetBrightness(Brighten(0xFF0000FF, 0.5)), 0.25, 0.003);
  EXPECT_EQ(Brighten(0xFF123456, NAN), 0xFF123456u);
}

struct TContrastCase
{
  TGvColor Color;
  TGvColor Back, Fore;
};

TEST(GvGDI, ContrastColours)
{
  using namespace GvColors;
  const TContrastCase Cases[] = {
      {0xFFFFFF00, DimGray, DarkRed},   // yellow: hue 60, brightness 0.5
      {0xFF0000FF, White, DarkRed},     // blue: hue 240, brightness 0.5
      {0xFFFFFFFF, DimGray, DarkGreen}, // white: hue 0, brightness 1
      {0xFFFF0000, White, LightGreen},  // red: hue 0, brightness 0.5
      {0xFFFFFFE0, DimGray, DarkRed},   // light yellow
      {0xFFE0E0FF, DimGray, DarkRed},   // pale blue: hue 240, brightness 0.94
      {0xFF000080, White, LightCoral},  // navy: hue 240, brightness 0.25
      {0xFF006400, White, LightCoral},  // dark green: hue 120
      {0xFF808000, White, LightCoral},  // olive: hue 60, brightness 0.25
      {0xFFFF00FF, White, LightGreen},  // magenta: hue 300
  };
  for (const TContrastCase& C : Cases) {
    EXPECT_EQ(ContrastBackGroundARGB(C.Color), C.Back) << std::hex << C.Color;
    EXPECT_EQ(ContrastForeColorARGB(C.Color), C.Fore) << std::hex << C.Color;
  }
}

TEST(GvGDI, NamedColourTable)
{
  const std::vector<TGvNamedColor> Colors = NamedColors();
  ASSERT_EQ(int(Colors.size()), GvNamedColorCount);
  QSet<QString> Names;
  for (int I = 0; I < GvNamedColorCount; ++I) {
    EXPECT_EQ(Colors[size_t(I)].System, I < GvSystemColorCount) << I;
    Names.insert(Colors[size_t(I)].Name.toLower());
  }
  EXPECT_EQ(Names.size(), GvNamedColorCount); // no name twice
  EXPECT_EQ(Colors[0].Name, "ActiveBorder");
  EXPECT_EQ(Colors[25].Name, "WindowText");
  EXPECT_EQ(Colors[26].Name, "Transparent");
  EXPECT_EQ(Colors[26].Value, GvColors::Transparent);
  EXPECT_EQ(Colors[27].Name, "AliceBlue");
  EXPECT_EQ(Colors.back().Name, "YellowGreen");
  EXPECT_EQ(Colors.back().Value, 0xFF9ACD32u);
}

TEST(GvGDI, ColourTexts)
{
  EXPECT_EQ(ARGBToString(0xFF8B0000), "DarkRed");
  EXPECT_EQ(ARGBToString(0x12345678), "$12345678");
  EXPECT_EQ(ARGBToString(0x00ABCDEF), "$00ABCDEF");
  EXPECT_EQ(ARGBToString(GvColors::Transparent), "Transparent");
  EXPECT_EQ(ARGBToString(0xFF00FFFF), "Aqua"); // the first of Aqua and Cyan
  EXPECT_EQ(ARGBToString(0xFFFF00FF), "Fuchsia");
  // System colours are not written by name, even when they match.
  const TGvColor Window = SystemColorARGB(TGvSystemColor::Window);
  EXPECT_NE(ARGBToString(Window), "Window");
  EXPECT_EQ(ColorToARGB(ARGBToString(Window)), Window);

  const std::pair<const char*, TGvColor> Reads[] = {
      {"DarkRed", 0xFF8B0000},
      {"darkred", 0xFF8B0000},
      {"  Navy ", 0xFF000080},
      {"$12345678", 0x12345678},
      {"$ff0000", 0x00FF0000},
      {"0xFF00FF00", 0xFF00FF00},
      {"4278190080", 0xFF000000},
      {"-1", 0xFFFFFFFF},
      {"16711680", 0x00FF0000},
      {"", 0},
      {"Reddish", 0},
      {"$", 0},
      {"$123456789", 0},
      {"12abc", 0},
      {"99999999999", 0},
  };
  for (const auto& [Text, Value] : Reads) EXPECT_EQ(ColorToARGB(QString(Text)), Value) << Text;
  EXPECT_EQ(ColorToARGB(QStringLiteral("controltext")),
            SystemColorARGB(TGvSystemColor::ControlText));
  // Every colour reads back from its text.
  for (const TGvNamedColor& N : NamedColors())
    EXPECT_EQ(ColorToARGB(ARGBToString(N.Value)), N.Value) << N.Name.toStdString();
  for (TGvColor C : {0u, 0x01020304u, 0xFFFFFFFEu, 0x7F000000u})
    EXPECT_EQ(ColorToARGB(ARGBToString(C)), C);
}

TEST(GvGDI, RichColourIdentifiers)
{
  EXPECT_EQ(ARGBToRichID(0xFFFF0000), "[A=255, R=255, G=0, B=0]");
  EXPECT_EQ(ARGBToRichID(0x01020304), "[A=1, R=2, G=3, B=4]");
  for (TGvColor C : {0xFFFF0000u, 0x01020304u, 0u, 0xFFFFFFFFu})
    EXPECT_EQ(RichIDToTGvColor(ARGBToRichID(C)), C);
  const std::pair<const char*, TGvColor> Reads[] = {
      {"A=255, R=255, G=0, B=0", 0xFFFF0000}, // brackets optional
      {"[ B=4,G=3 , R=2, A=1 ]", 0x01020304}, // any order, blanks
      {"[a=255, r=1]", 0xFF010000},           // missing items are 0
      {"[A=256, R=0, G=0, B=0]", 0},          // not a byte
      {"[A=-1]", 0},
      {"[X=1]", 0},
      {"[A=1, R]", 0},
      {"[A=1, R=x]", 0},
      {"[]", 0},
      {"", 0},
      {"red", 0},
  };
  for (const auto& [Text, Value] : Reads) EXPECT_EQ(RichIDToTGvColor(QString(Text)), Value) << Text;
}

} // namespace
