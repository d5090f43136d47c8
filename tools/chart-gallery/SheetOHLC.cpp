// Open-high-low-close bars and candlesticks over 60 days on a date axis.
#include "GallerySheet.h"
#include "SheetKindsSupport.h"

#include "chart/GvOHLC.h"
#include "controls/GvDateTime.h"

#include <cmath>
#include <random>

namespace {

struct TPrices
{
  std::vector<double> Day, Open, High, Low, Close;
};

// A random walk of daily prices.
TPrices Prices(int Days)
{
  TPrices P;
  std::mt19937 Rng(2024);
  std::normal_distribution<double> Move(0, 1.2);
  std::uniform_real_distribution<double> Wick(0.1, 1.5);
  const double First = EncodeDateTime(2024, 3, 1);
  double Last = 100;
  for (int I = 0; I < Days; ++I) {
    const double Open = Last + Move(Rng) * 0.3;
    const double Close = Open + Move(Rng);
    P.Day.push_back(First + I);
    P.Open.push_back(Open);
    P.Close.push_back(Close);
    P.High.push_back(std::max(Open, Close) + Wick(Rng));
    P.Low.push_back(std::min(Open, Close) - Wick(Rng));
    Last = Close;
  }
  // One even day (open = close): a candle drawn as a line.
  P.Close[20] = P.Open[20];
  return P;
}

template <class T> T* Bind(TSheetGraph& G, const TPrices& P)
{
  auto* S = new T(G.Form.get());
  S->SetXAxis(G.Graph->PrimaryXAxis());
  S->SetYAxis(G.Graph->PrimaryYAxis());
  S->SetXData(G.Vector(P.Day));
  S->SetOpenData(G.Vector(P.Open));
  S->SetHighData(G.Vector(P.High));
  S->SetLowData(G.Vector(P.Low));
  S->SetCloseData(G.Vector(P.Close));
  return S;
}

QImage PriceGraph(bool Candles, const TPrices& P, int W, int H)
{
  TSheetGraph G(W, H,
                Candles ? "Candlesticks over 60 days (bull green, bear red, an even day black)"
                        : "Open-high-low-close bars over 60 days");
  TGvAxis* X = G.Graph->PrimaryXAxis();
  X->SetScaling(TGvAxisScaling::DateTime);
  X->SetCaption("Date");
  // The 60 days with half a day to spare at each end.
  X->SetStartEnd(TGvAxisEnd::Fixed);
  X->SetStopEnd(TGvAxisEnd::Fixed);
  X->SetEndRounding(TGvAxisEndRounding::RndNothing);
  X->SetStartStop(P.Day.front() - 0.5, P.Day.back() + 0.5);
  G.Graph->PrimaryYAxis()->SetCaption("Price");
  if (Candles) {
    auto* S = Bind<TGvCandleSticks>(G, P);
    S->SetBarWidth(8);
  } else {
    auto* S = Bind<TGvOHLC>(G, P);
    S->SetBarWidth(3);
    S->SetIndicatorLength(4);
  }
  return SettledImage(G.Graph);
}

} // namespace

GV_GALLERY_SHEET(ohlc)
{
  const TPrices P = Prices(60);
  TSheetGrid Grid(1, 2, 1100, 420);
  Grid.Put(0, 0, PriceGraph(false, P, 1100, 420));
  Grid.Put(0, 1, PriceGraph(true, P, 1100, 420));
  Sheet.Save(Grid.Image, "ohlc");
}
