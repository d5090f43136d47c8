// The picture of the mixer's gas paths on the Operation tab, the bars that
// show each valve open or closed, and the valve line-ups of the modes.
#pragma once

#include <QImage>
#include <array>
#include <cstdint>

constexpr int ValveDiagramWidth = 998;
constexpr int ValveDiagramHeight = 315;

// The fixed picture: inlets, the gas boxes, the main line through the
// chambers, the gas B line, the bubbler, the outlets and the six valve rings,
// all valves without a bar.
QImage DrawValveDiagram();

// Draws the bar of valve ID (1..6) on the picture: along the pipe when Open,
// across it when closed, erasing the other bar. Any other ID draws nothing.
void DrawValveBar(QImage& Picture, unsigned ID, bool Open);

// Ring centres of the valves 1..6 (index 0 unused).
struct TValvePoint
{
  int x, y;
};
extern const std::array<TValvePoint, 7> ValveCentres;

// The relay mask of six valve states: bit k set when valve k + 1 is open.
uint8_t ValveMask(int iV1O, int iV2O, int iV3O, int iV4O, int iV5O, int iV6O);

// Which valves each situation opens.
struct TValveLineUp
{
  const char* Situation;
  std::array<int, 6> Open; // 0 or 1 for valves 1..6
};
namespace ValveLineUp {
extern const TValveLineUp AllClosed;   // Standby, closing the window, end of the flush
extern const TValveLineUp BypassLine;  // flush step 1 and Bypass
extern const TValveLineUp FlushWet;    // flush step 2: bubbler and chambers
extern const TValveLineUp FlushDry;    // flush step 3: chambers with dry gas
extern const TValveLineUp DryDilution; // Dilution with a dry method
extern const TValveLineUp Wet;         // humidification thread, wet pulse
extern const TValveLineUp Dry;         // humidification thread, dry pulse
} // namespace ValveLineUp
uint8_t ValveMask(const TValveLineUp& LineUp);
