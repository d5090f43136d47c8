// Valve line-ups on the relay board and the bars on the valve diagram.
#include "AppTestSupport.h"

#include "app/ValveDiagram.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace {
bool Black(const QImage& img, int x, int y)
{
  return img.pixelColor(x, y) == QColor(0, 0, 0);
}
bool White(const QImage& img, int x, int y)
{
  return img.pixelColor(x, y) == QColor(255, 255, 255);
}
// A point in the middle of each bar, away from the other bar's line.
struct TProbe
{
  int openX, openY, closedX, closedY;
};
const TProbe Probes[7] = {{},
                          {301, 248, 295, 252},
                          {301, 110, 295, 105},
                          {933, 126, 927, 121},
                          {199, 110, 193, 104},
                          {897, 96, 903, 101},
                          {897, 54, 903, 59}};
} // namespace

TEST(Valves, EveryLineUpReachesTheRelayBoard)
{
  TWindowFixture fx;
  fx.StartTestMode();
  TForm1& f = *fx.Form;
  fx.Mixer.ClearReceivedFrames();
  struct Case
  {
    const TValveLineUp& lineUp;
    int mask;
  };
  for (const Case& c : {Case{ValveLineUp::AllClosed, 0}, Case{ValveLineUp::BypassLine, 4},
                        Case{ValveLineUp::FlushWet, 35}, Case{ValveLineUp::FlushDry, 40},
                        Case{ValveLineUp::DryDilution, 24}, Case{ValveLineUp::Wet, 19},
                        Case{ValveLineUp::Dry, 24}}) {
    EXPECT_EQ(ValveMask(c.lineUp), c.mask) << c.lineUp.Situation;
    const auto& v = c.lineUp.Open;
    f.SetValvePositions(v[0], v[1], v[2], v[3], v[4], v[5]);
    EXPECT_EQ(fx.Mixer.RelayMask(), c.mask) << c.lineUp.Situation;
  }
  f.SetValvePositions(1, 1, 1, 1, 1, 1);
  EXPECT_EQ(fx.RelayMasks(), QList<int>({0, 4, 35, 40, 24, 19, 24, 63}));
  EXPECT_EQ(fx.Mixer.ReceivedFrames(TImaginaryLine::RelayBoard).last(), QByteArray("\xFE\x28\x3F"));
}

TEST(Valves, FlagsAndBarsFollowTheCommandEvenWithoutABoard)
{
  TWindowFixture fx;
  fx.StartTestMode();
  TForm1& f = *fx.Form;
  fx.Mixer.SetRelayBoardSilent(true);
  f.SetValvePositions(0, 0, 1, 0, 0, 0);
  const TMixerData& S = f.Shared;
  EXPECT_EQ(QList<bool>({S.V1O, S.V2O, S.V3O, S.V4O, S.V5O, S.V6O}),
            QList<bool>({false, false, true, false, false, false}));
  for (unsigned id = 1; id <= 6; ++id) {
    const TProbe& p = Probes[id];
    const bool open = id == 3;
    EXPECT_EQ(Black(f.ValvePicture, p.openX, p.openY), open) << id;
    EXPECT_EQ(White(f.ValvePicture, p.openX, p.openY), !open) << id;
    EXPECT_EQ(Black(f.ValvePicture, p.closedX, p.closedY), !open) << id;
    EXPECT_EQ(White(f.ValvePicture, p.closedX, p.closedY), open) << id;
  }
  // Image1 shows the picture as drawn.
  EXPECT_EQ(f.Image1->pixmap().toImage().convertToFormat(f.ValvePicture.format()), f.ValvePicture);
}

TEST(Valves, ARedrawErasesTheOtherBarAndRepeatsAreHarmless)
{
  QImage img = DrawValveDiagram();
  const TProbe& p = Probes[5];
  DrawValveBar(img, 5, true);
  const QImage once = img;
  EXPECT_TRUE(Black(img, p.openX, p.openY));
  EXPECT_TRUE(White(img, p.closedX, p.closedY));
  DrawValveBar(img, 5, true);
  EXPECT_EQ(img, once);
  DrawValveBar(img, 5, false);
  EXPECT_TRUE(White(img, p.openX, p.openY));
  EXPECT_TRUE(Black(img, p.closedX, p.closedY));
  DrawValveBar(img, 7, true); // no such valve
  DrawValveBar(img, 0, true);
  DrawValveBar(img, 5, false);
  EXPECT_TRUE(Black(img, p.closedX, p.closedY));
}

TEST(Valves, StartUpDrawsAllClosedAndSendsNothing)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  EXPECT_EQ(f.ValvePicture.size(), QSize(998, 315));
  for (unsigned id = 1; id <= 6; ++id) {
    EXPECT_TRUE(Black(f.ValvePicture, Probes[id].closedX, Probes[id].closedY)) << id;
    EXPECT_TRUE(White(f.ValvePicture, Probes[id].openX, Probes[id].openY)) << id;
  }
  EXPECT_TRUE(fx.Mixer.ReceivedFrames().isEmpty());
}
