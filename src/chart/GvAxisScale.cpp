#include "chart/GvAxisScale.h"

#include "controls/GvStringFunctions.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace {

constexpr double cPi = 3.14159265358979323846;
// Ends beyond this magnitude are taken as it: their difference stays finite.
constexpr double cMaxEnd = 1e300;
// Offsets along the axis beyond this many pixels are clamped to it.
constexpr double cMaxOffset = 100000;
// The partition searches try at most this many candidates (about 20
// decades of the linear search).
constexpr int cMaxCandidates = 60;
// Relative tolerance of the comparisons of steps and ends.
constexpr double cEps = 1e-9;

double Sane(double V)
{
  return std::isfinite(V) ? std::clamp(V, -cMaxEnd, cMaxEnd) : V;
}

// x * 10^E computed so that the common cases are exact (x / 1e12, not
// x * 1e-12).
double ScaleByPower10(double X, int E)
{
  return E >= 0 ? X * Power10(E) : X / Power10(-E);
}

bool IsNoValues(double Start, double Stop)
{
  return !(Start <= Stop);
}

} // namespace

QString AxisRangeStatusText(TGvAxisRangeStatus Status)
{
  switch (Status) {
  case TGvAxisRangeStatus::Ok:
    return {};
  case TGvAxisRangeStatus::LogNonPositive:
    return QStringLiteral("Values at or below 0 cannot be shown on a logarithmic axis");
  case TGvAxisRangeStatus::NotFinite:
    return QStringLiteral("Values that are not finite are left out of the axis range");
  }
  return {};
}

double ApproxLabelLength(int Characters, double FontSize, double Sin, double Cos, bool Horizontal)
{
  const double A = FontSize * Characters * 1.6;
  const double B = FontSize * 2.5;
  return Horizontal ? A * Cos + B * Sin : A * Sin + B * Cos;
}

bool MovingSlitRange(double InitialStart, double InitialStop, double Width, double Increment,
                     double ValuesStart, double ValuesStop, double& Start, double& Stop)
{
  if (!std::isfinite(ValuesStop) || !std::isfinite(InitialStart)) return false;
  double W = Width > 0 && std::isfinite(Width) ? Width : InitialStop - InitialStart;
  if (!(W > 0) || !std::isfinite(W)) W = 1;
  const double I = Increment > 0 && Increment <= W ? Increment : W / 3;
  const double First = InitialStart + W;
  double S = First;
  if (ValuesStop > First) {
    // The loop "add the increment until the stop reaches the data end", in
    // closed form; the two checks mend the rounding of the quotient.
    double N = std::ceil((ValuesStop - First) / I);
    if (First + (N - 1) * I >= ValuesStop) N -= 1;
    if (First + N * I < ValuesStop) N += 1;
    S = First + N * I;
  }
  if (!std::isfinite(S)) return false;
  Stop = S;
  Start = S - W > ValuesStart ? S - W : InitialStart;
  return true;
}

void SlaveRange(double MasterStart, double MasterStop, double Offset, double Slope, double& Start,
                double& Stop)
{
  Start = Offset + Slope * MasterStart;
  Stop = Offset + Slope * MasterStop;
}

TGvLabelBox PlaceAxisLabel(TGvAxisPosition Position, double AngleDegrees, double FontSize,
                           double TickPixel, double LabelLine, double W, double H)
{
  const double Rad = AngleDegrees * cPi / 180;
  const double S = std::fabs(std::sin(Rad)), C = std::fabs(std::cos(Rad));
  const bool Horizontal = Position == TGvAxisPosition::Bottom || Position == TGvAxisPosition::Top;
  TGvLabelBox B;
  B.X = Horizontal ? TickPixel : LabelLine;
  B.Y = Horizontal ? LabelLine : TickPixel;
  B.H = W * C + H * S;
  B.V = W * S + H * C;
  const long Rounded = std::lround(AngleDegrees);
  const bool Rotated = Rounded % 90 != 0;
  if (Rotated) {
    const double Fs = FontSize * S * 0.8, Fc = FontSize * C * 0.8;
    const int Quadrant = AngleDegrees <= 90    ? 1
                         : AngleDegrees <= 180 ? 2
                         : AngleDegrees <= 270 ? 3
                                               : 4;
    const bool Odd = Quadrant == 1 || Quadrant == 3;
    switch (Position) {
    case TGvAxisPosition::Bottom:
      B.X += Odd ? Fs - B.H / 2 : B.H / 2 - Fs;
      break;
    case TGvAxisPosition::Top:
      B.X += Odd ? B.H / 2 - Fs : Fs - B.H / 2;
      break;
    case TGvAxisPosition::Left:
      B.Y += Odd ? B.V / 2 - Fc : Fc - B.V / 2;
      break;
    case TGvAxisPosition::Right:
      B.Y += Odd ? Fc - B.V / 2 : B.V / 2 - Fc;
      break;
    }
  }
  switch (Position) {
  case TGvAxisPosition::Bottom:
    B.Y += B.V / 2;
    break;
  case TGvAxisPosition::Top:
    B.Y -= B.V / 2;
    break;
  case TGvAxisPosition::Left:
    B.X -= B.H / 2;
    break;
  case TGvAxisPosition::Right:
    B.X += B.H / 2;
    break;
  }
  return B;
}

// ---------------------------------------------------------------------------
// TGvAxisScale
// ---------------------------------------------------------------------------

TGvAxisScale::TGvAxisScale() : DateTimeFormats(TGvDateTimeFormats::Defaults())
{
  RangeExponent = 1;
  DtParameters.Format = DateTimeFormats.DayFormat;
}

void TGvAxisScale::SetRubricsAngle(double Degrees)
{
  if (!std::isfinite(Degrees)) Degrees = 0;
  Degrees = std::fmod(Degrees, 360.0);
  if (Degrees < 0) Degrees += 360;
  if (Degrees >= 360) Degrees = 0;
  FRubricsAngle = Degrees;
  FSin = std::fabs(std::sin(Degrees * cPi / 180));
  FCos = std::fabs(std::cos(Degrees * cPi / 180));
}

bool TGvAxisScale::LabelsRotated() const
{
  return std::lround(FRubricsAngle) % 90 != 0;
}

bool TGvAxisScale::EndsNotRounded() const
{
  return Panning || SlaveTransformed || EndRounding == TGvAxisEndRounding::RndNothing ||
         (Zoomed && (EndRounding == TGvAxisEndRounding::RndToMajorZoomToNothing ||
                     EndRounding == TGvAxisEndRounding::RndToMinorZoomToNothing));
}

double TGvAxisScale::NormalisingConstant() const
{
  const double Len = AxLength > 0 ? AxLength : 100;
  if (IsLogScaling() && HasLogScaling) return (LogStop - LogStart) / Len;
  if (Scaling == TGvAxisScaling::DateTime) return DateTimeSpan(Start, Stop) / Len;
  return (Stop - Start) / Len;
}

float TGvAxisScale::NumberToWorld(double X) const
{
  const double Origin = IsHorizontal() ? AxLeft : AxTop;
  const double Len = AxLength > 0 ? AxLength : 100;
  const double K = NormalisingConstant();
  double A;
  if (K == 0 || !std::isfinite(K)) {
    // A range of zero width: every value stands in the middle.
    A = Len / 2;
  } else if (IsLogScaling() && HasLogScaling) {
    A = X > 0 ? (std::log10(X) - LogStart) / K : -100;
  } else if (Scaling == TGvAxisScaling::DateTime) {
    A = std::isfinite(X) ? DateTimeSpan(Start, X) / K : X;
  } else {
    A = (X - Start) / K;
  }
  if (std::isnan(A)) A = -cMaxOffset;
  const bool Flip = IsFlipped();
  double Along = Flip ? Len - A : A;
  if (A <= -cMaxOffset || A >= cMaxOffset) Along = (A < 0) != Flip ? -cMaxOffset : cMaxOffset;
  const double P = Origin + Along;
  return std::isfinite(P) ? float(P) : float(Origin);
}

double TGvAxisScale::WorldToNumber(double Pixel) const
{
  const double Origin = IsHorizontal() ? AxLeft : AxTop;
  const double Len = AxLength > 0 ? AxLength : 100;
  const double K = NormalisingConstant();
  double D = Pixel - Origin;
  D = IsFlipped() ? (Len - D) * K : D * K;
  if (IsLogScaling() && HasLogScaling) return std::pow(10.0, D + LogStart);
  if (Scaling == TGvAxisScaling::DateTime) return DateTimeFromLinear(DateTimeToLinear(Start) + D);
  return Start + D;
}

// ---- Labels ----

QString TGvAxisScale::ScaleLabel(const QString& Caption, double Value) const
{
  QString Text = Caption;
  if (OnGetScaleLabel) OnGetScaleLabel(Value, Text);
  return Text;
}

double TGvAxisScale::ApproxLen(const QString& Caption, double Value) const
{
  const QString Text = ScaleLabel(Caption, Value);
  const double W = LabelLength
                       ? LabelLength(Text, Value)
                       : ApproxLabelLength(int(Text.size()), FontSize, FSin, FCos, IsHorizontal());
  return std::isfinite(W) ? W : 0.0;
}

QString TGvAxisScale::NormalCaption(double X) const
{
  if (AdditionalExponent) return FloatToStrFixed(ScaleByPower10(X, -MaxExponent), DisplayDigits);
  if (MaxExponent < DisplayDigits) return FloatToStrFixed(X, DisplayDigits - MaxExponent);
  return FloatToStrFixed(X, 0);
}

QString TGvAxisScale::LogCaption(double Value, int Exponent, bool Decade) const
{
  if (Scaling == TGvAxisScaling::LogEE) {
    // A label inside a decade (a label part below 1) shows its mantissa.
    if (Decade) return QStringLiteral("10\\+") + QString::number(Exponent);
    return FloatToStr(std::round(ScaleByPower10(Value, -Exponent) * 1e6) / 1e6) +
           QStringLiteral("\u00B710\\+") + QString::number(Exponent);
  }
  return FloatToStr(Value);
}

void TGvAxisScale::GetExponentAndDigits(double AStart, double AStop)
{
  int Max = INT_MIN;
  if (AStart != 0) Max = Real10thExponent(AStart);
  if (AStop != 0) Max = std::max(Max, Real10thExponent(AStop));
  MaxExponent = Max == INT_MIN ? 0 : Max;
  if (Scaling == TGvAxisScaling::DateTime) return;
  if (Scaling == TGvAxisScaling::Seconds) {
    SecParameters.Format = SecondsLabelFormat(AStart, AStop);
  } else {
    DisplayDigits =
        MaxExponent + LastSignificant(LabelPart) - RangeExponent - Real10thExponent(LabelPart) - 1;
    AdditionalExponent =
        (Real10thExponent(MaxForExtraExponent) < MaxExponent && MaxExponent >= DisplayDigits) ||
        MaxExponent < Real10thExponent(MinForExtraExponent);
    DisplayDigits = std::max(0, DisplayDigits + ExtraDigits);
    if (ExtraDigits > 0 && MaxExponent + ExtraDigits >= DisplayDigits && !AdditionalExponent)
      DisplayDigits = MaxExponent + ExtraDigits;
  }
  if (TickPart < 1e-5) TickPart = 0.1;
  if (MajorTickPart < TickPart) MajorTickPart = TickPart;
  if (LabelPart < TickPart) LabelPart = TickPart;
}

// ---- Partitions ----

void TGvAxisScale::GetNormalAxisParts(double AStart, double AStop)
{
  double L = ControlLength;
  if (!std::isfinite(L)) L = 0;
  const double Range = AStop - AStart;
  if (!(Range > 0) || !std::isfinite(Range)) {
    RangeExponent = 0;
    LabelPart = 1, MajorTickPart = 0.5, TickPart = 0.1;
    return;
  }
  RangeExponent = Real10thExponent(Range);
  const double D = Range / Power10(RangeExponent);
  const double Factor = std::max(0.0, double(LabelDistanceFactor));

  // The candidates in use: a part that is not positive cannot be a step.
  double Lp[3], Mp[3], Tp[3];
  int Count = 0;
  for (int I = 0; I < 3; ++I) {
    if (LabelParts[I] > 0 && MajorParts[I] > 0 && MinorParts[I] > 0 &&
        std::isfinite(LabelParts[I] + MajorParts[I] + MinorParts[I])) {
      Lp[Count] = LabelParts[I], Mp[Count] = MajorParts[I], Tp[Count] = MinorParts[I];
      ++Count;
    }
  }
  if (Count == 0) {
    const double DefL[3] = {1.0, 0.5, 0.2}, DefM[3] = {0.5, 0.5, 0.1}, DefT[3] = {0.1, 0.1, 0.02};
    for (int I = 0; I < 3; ++I) Lp[I] = DefL[I], Mp[I] = DefM[I], Tp[I] = DefT[I];
    Count = 3;
  }
  // A pixel's worth of value, in units of 10^RangeExponent.
  const double PixelParts = D / std::max(L, 1.0);

  int I = 0;
  double E = 10;
  auto Advance = [&](int& Index, double& Scale) {
    if (Index + 1 < Count) {
      ++Index;
    } else {
      Index = 0;
      Scale /= 10;
    }
  };
  // Candidates whose label step is larger than the range would show a single
  // label: skip them.
  for (int Tries = 0; Tries < cMaxCandidates && Lp[I] * E > D * (1 + cEps); ++Tries) Advance(I, E);

  for (int Tries = 0; Tries < cMaxCandidates; ++Tries) {
    LabelPart = Lp[I] * E;
    GetExponentAndDigits(AStart, AStop);
    const double W = std::max(1.0, std::max(ApproxLen(NormalCaption(AStart), AStart),
                                            ApproxLen(NormalCaption(AStop), AStop)));
    const double N = std::trunc(D / (Lp[I] * E) + 0.5);
    const double Needed = (N + 1) * W + N * 70 * Factor;
    if (!(Needed < L)) break;
    int NextI = I;
    double NextE = E;
    Advance(NextI, NextE);
    if (Lp[NextI] * NextE < PixelParts) break;
    I = NextI, E = NextE;
  }
  LabelPart = Lp[I] * E;
  MajorTickPart = Mp[I] * E;
  TickPart = Tp[I] * E;
}

void TGvAxisScale::GetLogAxisParts(double AStart, double AStop)
{
  double L = ControlLength;
  if (!std::isfinite(L)) L = 0;
  const double LogA = std::log10(AStart), LogB = std::log10(AStop);
  RangeExponent = int(std::clamp(RoundHalfEvenF(LogB - LogA), -100000.0, 100000.0));
  LabelPart = 1;
  auto EndLabel = [&](double V) {
    const int E = int(RoundHalfEvenF(std::log10(V)));
    return Scaling == TGvAxisScaling::LogEE ? QStringLiteral("10") + QString::number(E)
                                            : FloatToStr(V);
  };
  const double W =
      0.51 * std::max(ApproxLen(EndLabel(AStart), AStart), ApproxLen(EndLabel(AStop), AStop));
  const double Range = std::max(0, RangeExponent);
  for (;;) {
    const double M = std::trunc(Range / LabelPart + 0.5);
    const double Needed = (M + 1) * W + M * 30 * LabelDistanceFactor;
    // One label is as few as there can be.
    if (!(Needed > L) || M <= 0) break;
    LabelPart += 1;
  }
  if (LabelPart >= 3) {
    LabelPart = std::max(3.0, RoundHalfEvenF(LabelPart / 3) * 3);
    MajorTickPart = LabelPart;
    TickPart = MajorTickPart / 3;
  } else {
    MajorTickPart = 1;
    TickPart = 0.1;
  }
  TickPart = std::max(TickPart, 0.1);
}

void TGvAxisScale::GetSecParameters(double AStart, double AStop)
{
  const TGvSecPartition P = ::GetSecParameters(
      AStart, AStop, ControlLength, LabelDistanceFactor,
      [this](const QString& Caption, double Value) { return ApproxLen(Caption, Value); });
  SecParameters = P.Params;
  RangeExponent = P.RangeExponent;
  LabelPart = P.LabelPart;
  MajorTickPart = P.MajorTickPart;
  TickPart = P.TickPart;
}

void TGvAxisScale::GetDtParameters(double AStart, double AStop)
{
  DtParameters = ::GetDtParameters(
      AStart, AStop, ControlLength, LabelDistanceFactor, DateTimeFormats,
      [this](const QString& Caption, double Value) { return ApproxLen(Caption, Value); });
}

double TGvAxisScale::DateTimeRound(bool Up, bool Major, double Value) const
{
  return ::DateTimeRound(DtParameters, Up, Major, Value);
}

double TGvAxisScale::SecondsRound(double Value, double Step, bool Up) const
{
  return ::SecondsRound(Value, Step, SecParameters.Exponent, SecParameters.Rgn, Up);
}

namespace {

double RoundLog(bool Up, double MajorTickPart, double Step, double Value)
{
  if (!(Value > 0) || !std::isfinite(Value)) return Value;
  const double E = std::log10(Value);
  if (MajorTickPart > 1) {
    const double Three = Up ? std::ceil((E - cEps) / 3) * 3 : std::floor((E + cEps) / 3) * 3;
    return Power10(int(Three));
  }
  if (Step >= 1 || !(Step > 0))
    return Power10(int(Up ? std::ceil(E - cEps) : std::floor(E + cEps)));
  // A mantissa step within the decade.
  const int Decade = int(std::floor(E + cEps));
  const double Unit = Power10(Decade);
  const double Q = Step * 10;
  const double M = Value / Unit;
  const double R = Up ? std::ceil(M / Q - cEps) * Q : std::max(1.0, std::floor(M / Q + cEps) * Q);
  return R * Unit;
}

} // namespace

double TGvAxisScale::RoundEnd(bool Up, bool Major, double Value) const
{
  const double Step = Major ? MajorTickPart : TickPart;
  if (IsLogScaling() && HasLogScaling) return RoundLog(Up, MajorTickPart, Step, Value);
  switch (Scaling) {
  case TGvAxisScaling::Seconds:
    return SecondsRound(Value, Step, Up);
  case TGvAxisScaling::DateTime:
    return DateTimeRound(Up, Major, Value);
  default:
    return Up ? RoundUp(RangeExponent, Step, Value) : RoundDown(RangeExponent, Step, Value);
  }
}

double TGvAxisScale::LeastPositiveData() const
{
  double Least = std::numeric_limits<double>::infinity();
  const bool H = IsHorizontal();
  for (const IGvAxisSeries* S : Series) {
    if (!S) continue;
    const double V = S->AxisLeastPositive(H);
    if (V > 0 && std::isfinite(V)) Least = std::min(Least, V);
  }
  return Least;
}

void TGvAxisScale::RoundEnds(double& AStart, double& AStop)
{
  AdditionalExponent = false;
  // Ends that are not finite: one takes the other's value (widened below),
  // both give the default range.
  AStart = Sane(AStart);
  AStop = Sane(AStop);
  if (!std::isfinite(AStart) && !std::isfinite(AStop))
    AStart = 1, AStop = 0;
  else if (!std::isfinite(AStart))
    AStart = AStop;
  else if (!std::isfinite(AStop))
    AStop = AStart;

  const bool DateTime = Scaling == TGvAxisScaling::DateTime;
  const bool Log = IsLogScaling();
  const bool NonNegative = Scaling == TGvAxisScaling::Seconds || Scaling == TGvAxisScaling::Rubrics;
  if (DateTime) {
    AStart = ClampFinite(AStart, cGvAxisMinDateTime, cGvAxisMaxDateTime);
    AStop = ClampFinite(AStop, cGvAxisMinDateTime, cGvAxisMaxDateTime);
  }
  if (NonNegative) {
    if (AStart < 0) AStart = 0;
    if (AStop < 0) AStop = 1;
  }
  if (AStart > AStop) {
    if (DateTime)
      std::swap(AStart, AStop);
    else if (Log)
      AStart = 1, AStop = 10;
    else
      AStart = 0, AStop = 100;
  }
  if (AStart == AStop) {
    if (DateTime) {
      AStop = AStart + 1.0 / 1440;
      if (AStop > cGvAxisMaxDateTime) AStop = cGvAxisMaxDateTime, AStart = AStop - 1.0 / 1440;
    } else {
      const double P = AStart != 0 ? Power10(Real10thExponent(AStart)) : 1;
      const bool StartAuto = StartEnd == TGvAxisEnd::AutoRange;
      const bool StopAuto = StopEnd == TGvAxisEnd::AutoRange;
      if (StartAuto) AStart -= P;
      if (StopAuto || !StartAuto) AStop += P;
      // Durations and rubric indices stay at or above 0 when widened.
      if (NonNegative && AStart < 0) AStart = 0;
    }
  }

  if (Log) {
    const bool DataNonPositive = !IsNoValues(ValuesStart, ValuesStop) && ValuesStart <= 0;
    if (AStart <= 0 || DataNonPositive) Status = TGvAxisRangeStatus::LogNonPositive;
    if (AStart <= 0) {
      if (ValuesStart > 0 && !IsNoValues(ValuesStart, ValuesStop)) {
        AStart = ValuesStart;
      } else {
        AStart = std::min(AStop, LeastPositiveData());
        if (!(AStart > 0)) AStart = 0.01;
      }
    }
    if (AStop <= 0) AStop = 1;
    // A start taken from the data above the repaired stop: one decade.
    if (AStart >= AStop) AStop = AStart * 10;
    LogStart = std::log10(AStart);
    LogStop = std::log10(AStop);
    HasLogScaling = LogToNormalScalingLevel == 0 || LogStop - LogStart > LogToNormalScalingLevel;
  } else {
    HasLogScaling = false;
    if (Status == TGvAxisRangeStatus::LogNonPositive) Status = TGvAxisRangeStatus::Ok;
  }
  const bool LogDrawn = Log && HasLogScaling;

  // Partition.
  if (!AutoTickParts || Panning) {
    if (LogDrawn)
      RangeExponent = int(std::clamp(RoundHalfEvenF(LogStop - LogStart), -100000.0, 100000.0));
    else if (Scaling == TGvAxisScaling::Rubrics)
      RangeExponent = 0;
    else
      RangeExponent = Real10thExponent(AStop - AStart);
  } else if (LogDrawn) {
    GetLogAxisParts(AStart, AStop);
  } else if (Scaling == TGvAxisScaling::Seconds) {
    GetSecParameters(AStart, AStop);
  } else if (DateTime) {
    GetDtParameters(AStart, AStop);
  } else if (Scaling == TGvAxisScaling::Rubrics) {
    LabelPart = MajorTickPart = TickPart = 1;
    RangeExponent = 0;
  } else {
    GetNormalAxisParts(AStart, AStop);
  }

  // Rounding.
  if (!Panning) {
    enum
    {
      None,
      Minor,
      Major
    } Mode = None;
    switch (EndRounding) {
    case TGvAxisEndRounding::RndToMajorZoomToMinor:
      Mode = Zoomed ? Minor : Major;
      break;
    case TGvAxisEndRounding::RndToMajorZoomToNothing:
      Mode = Zoomed ? None : Major;
      break;
    case TGvAxisEndRounding::RndToMajor:
      Mode = Major;
      break;
    case TGvAxisEndRounding::RndToMinorZoomToNothing:
      Mode = Zoomed ? None : Minor;
      break;
    case TGvAxisEndRounding::RndToMinor:
      Mode = Minor;
      break;
    case TGvAxisEndRounding::RndNothing:
      Mode = None;
      break;
    }
    if (Mode != None) {
      const double A = RoundEnd(false, Mode == Major, AStart);
      const double B = RoundEnd(true, Mode == Major, AStop);
      // A rounding that cannot widen (a step beyond the double range) keeps
      // the ends as they were.
      if (std::isfinite(A) && std::isfinite(B) && A < B) AStart = A, AStop = B;
    }
  }
  if (DateTime) {
    AStart = ClampFinite(AStart, cGvAxisMinDateTime, cGvAxisMaxDateTime);
    AStop = ClampFinite(AStop, cGvAxisMinDateTime, cGvAxisMaxDateTime);
  }
  if (LogDrawn) {
    LogStart = std::log10(AStart);
    LogStop = std::log10(AStop);
    RangeExponent = int(std::clamp(RoundHalfEvenF(LogStop - LogStart), -100000.0, 100000.0));
    TickPart = std::max(TickPart, 0.1);
    MajorTickPart = std::max(MajorTickPart, 1.0);
    LabelPart = std::max(LabelPart, TickPart);
  } else {
    GetExponentAndDigits(AStart, AStop);
  }
}

bool TGvAxisScale::GetNewRanges()
{
  if (!RedoRange) return false;
  // Cleared also when nothing changed, so that IsClipped answers again.
  RedoRange = false;
  const bool H = IsHorizontal();
  double Lo = std::numeric_limits<double>::infinity();
  double Hi = -std::numeric_limits<double>::infinity();
  bool NonFinite = false;
  for (const IGvAxisSeries* S : Series) {
    if (!S || !S->AxisSeriesVisible()) continue;
    double A = 0, B = 0;
    if (!S->AxisDataRange(H, A, B) || !(A <= B)) continue;
    if (std::isfinite(A))
      Lo = std::min(Lo, A);
    else
      NonFinite = true;
    if (std::isfinite(B))
      Hi = std::max(Hi, B);
    else
      NonFinite = true;
  }
  Status = NonFinite ? TGvAxisRangeStatus::NotFinite : TGvAxisRangeStatus::Ok;
  if (!(Lo <= Hi)) {
    // Only one end was finite: take it for both (widened when rounded).
    if (std::isfinite(Lo))
      Hi = Lo;
    else if (std::isfinite(Hi))
      Lo = Hi;
    else
      Lo = InitialStart, Hi = InitialStop;
  }
  if (Lo == ValuesStart && Hi == ValuesStop) return false;
  ValuesStart = Lo;
  ValuesStop = Hi;

  double NewStart = Start, NewStop = Stop;
  if (StopEnd == TGvAxisEnd::MovingSlit) {
    MovingSlitRange(InitialStart, InitialStop, MovingSlitWidth, MovingSlitIncrement, ValuesStart,
                    ValuesStop, NewStart, NewStop);
  } else {
    // MovingSlit as a start mode alone (the slit needs its stop) follows the
    // data like AutoRange.
    switch (StartEnd) {
    case TGvAxisEnd::AutoRange:
    case TGvAxisEnd::MovingSlit:
      NewStart = ValuesStart;
      break;
    case TGvAxisEnd::FirstSet:
      NewStart = ValuesStart >= Start ? Start : ValuesStart;
      break;
    case TGvAxisEnd::Fixed:
      ValuesStart = Start;
      break;
    }
    switch (StopEnd) {
    case TGvAxisEnd::AutoRange:
    case TGvAxisEnd::MovingSlit:
      NewStop = ValuesStop;
      break;
    case TGvAxisEnd::FirstSet:
      NewStop = ValuesStop > Stop ? ValuesStop : Stop;
      break;
    case TGvAxisEnd::Fixed:
      ValuesStop = Stop;
      break;
    }
  }
  // The range last set is the one the ends asked for, before rounding: a new
  // length partitions and rounds it afresh. Rounding a range that was already
  // rounded for another length could only widen it (the first ranging of a
  // vertical axis still at its initial 50 pixels rounds -1000 .. 4800 to a
  // step of 5000, and every later length would keep -5000 .. 5000).
  LastSetStart = NewStart;
  LastSetStop = NewStop;
  RoundEnds(NewStart, NewStop);
  Start = NewStart;
  Stop = NewStop;
  return true;
}

void TGvAxisScale::TakeMaster(const TGvAxisScale& Master)
{
  Scaling = Master.Scaling;
  if (SlaveOffset != 0 || SlaveSlope != 1) {
    double A, B;
    SlaveRange(Master.Start, Master.Stop, SlaveOffset, SlaveSlope, A, B);
    // Ordered for the partition and its rounding; then the exact range.
    double Lo = std::min(A, B), Hi = std::max(A, B);
    SlaveTransformed = false;
    RoundEnds(Lo, Hi);
    Start = Sane(A);
    Stop = Sane(B);
    // Its ends are no tick steps of its own: the ticks start at the first step
    // inside, as on an axis whose ends are not rounded.
    SlaveTransformed = true;
    if (IsLogScaling() && HasLogScaling && Start > 0 && Stop > 0) {
      LogStart = std::log10(Start);
      LogStop = std::log10(Stop);
    }
    return;
  }
  SlaveTransformed = false;
  Start = Master.Start;
  Stop = Master.Stop;
  LabelPart = Master.LabelPart;
  MajorTickPart = Master.MajorTickPart;
  TickPart = Master.TickPart;
  RangeExponent = Master.RangeExponent;
  LogStart = Master.LogStart;
  LogStop = Master.LogStop;
  HasLogScaling = Master.HasLogScaling;
  SecParameters = Master.SecParameters;
  DtParameters = Master.DtParameters;
  AdditionalExponent = false;
  if (!(IsLogScaling() && HasLogScaling)) GetExponentAndDigits(Start, Stop);
}

// ---- Ticks ----

int TGvAxisScale::MaxTicks() const
{
  const double Len = AxLength > 0 ? std::min(AxLength, 1e6) : 100;
  return std::max(1, int(4 * Len));
}

void TGvAxisScale::AddTick(double Value, bool Major, bool Grid)
{
  Ticks.push_back({NumberToWorld(Value), Major, Grid, Value});
}

void TGvAxisScale::AddLabelMark(const QString& Text, double Pixel, double Value)
{
  Labels.push_back({ScaleLabel(Text, Value), float(Pixel), Value});
}

void TGvAxisScale::UpdateLogEnds()
{
  if (!IsLogScaling()) {
    HasLogScaling = false;
    return;
  }
  if (Start > 0 && Stop > 0 && std::isfinite(Start) && std::isfinite(Stop)) {
    LogStart = std::log10(Start);
    LogStop = std::log10(Stop);
    HasLogScaling =
        LogToNormalScalingLevel == 0 || std::fabs(LogStop - LogStart) > LogToNormalScalingLevel;
  } else {
    HasLogScaling = false;
  }
}

void TGvAxisScale::CalculateTicks()
{
  Ticks.clear();
  Labels.clear();
  ShowsExtraExponent = false;
  ExtraExponentText.clear();
  const double Out = DistanceAxisLabels + (TicksPointToData ? 0 : MajorTickLength);
  switch (Position) {
  case TGvAxisPosition::Bottom:
    LabelLine = AxTop + Out;
    break;
  case TGvAxisPosition::Top:
    LabelLine = AxTop - Out;
    break;
  case TGvAxisPosition::Left:
    LabelLine = AxLeft - Out;
    break;
  case TGvAxisPosition::Right:
    LabelLine = AxLeft + Out;
    break;
  }
  UpdateLogEnds();
  const bool LogDrawn = IsLogScaling() && HasLogScaling;
  if (!AutoTickParts) {
    if (LogDrawn)
      RangeExponent = int(std::clamp(RoundHalfEvenF(LogStop - LogStart), -100000.0, 100000.0));
    else if (Scaling == TGvAxisScaling::Rubrics)
      RangeExponent = 0;
    else if (Scaling != TGvAxisScaling::Seconds && Scaling != TGvAxisScaling::DateTime)
      RangeExponent = Real10thExponent(std::fabs(Stop - Start));
  }
  if (LogDrawn) {
    CalculateLog10Ticks();
    return;
  }
  switch (Scaling) {
  case TGvAxisScaling::Seconds:
    CalculateSecondsTicks();
    break;
  case TGvAxisScaling::DateTime:
    CalculateDateTimeTicks();
    break;
  case TGvAxisScaling::Rubrics:
    CalculateRubricsTicks();
    break;
  default:
    CalculateNormalTicks();
    break;
  }
}

void TGvAxisScale::CalculateNormalTicks()
{
  // A slave with a negative slope keeps its ends reversed; its ticks are
  // counted over the ordered range.
  const double Lo = std::min(Start, Stop), Hi = std::max(Start, Stop);
  if (!std::isfinite(Lo) || !std::isfinite(Hi)) return;
  const int R = RangeExponent;
  const double Tp = TickPart > 0 && std::isfinite(TickPart) ? TickPart : 1;
  const double Lp = LabelPart > 0 && std::isfinite(LabelPart) ? LabelPart : Tp;
  const double Mp = MajorTickPart > 0 && std::isfinite(MajorTickPart) ? MajorTickPart : Tp;
  double First = Lo, Last = Hi;
  if (EndsNotRounded()) {
    First = RoundUp(R, Tp, Lo);
    Last = RoundDown(R, Tp, Hi);
    // No tick step lies within the range.
    if (First > Last) return;
  }
  double N = RoundHalfEvenF((Last - First) / Power10(R) / Tp + 1);
  if (!(N >= 2)) N = 2;
  const double Step = (Last - First) / (N - 1);
  const double Tol = 0.6 * Step;
  const int Count = int(std::min(N, double(MaxTicks())));
  double NextMajor = RoundUp(R, Mp, Lo);
  double NextLabel = RoundUp(R, Lp, Lo);
  for (int I = 0; I < Count; ++I) {
    const double X = I == N - 1 ? Last : First + I * Step;
    bool Major = false, Grid = false;
    if (NumbersVisible && std::fabs(X - NextLabel) < Tol) {
      AddLabelMark(NormalCaption(X), NumberToWorld(X), X);
      NextLabel = RoundUp(R, Lp, X + Tol);
      if (MajorGridMode == TGvMajorGridMode::AtLabel) Grid = true;
    }
    if (std::fabs(X - NextMajor) < Tol) {
      Major = true;
      if (MajorGridMode == TGvMajorGridMode::AtMajorTick) Grid = true;
      NextMajor = RoundUp(R, Mp, X + Step);
    }
    AddTick(X, Major, Grid);
    // A range of zero width has one tick.
    if (!(Step > 0)) break;
  }
  PlaceExtraExponentMark();
}

void TGvAxisScale::PlaceExtraExponentMark()
{
  ShowsExtraExponent = false;
  if (NumbersVisible && AdditionalExponent && !Labels.empty()) {
    ShowsExtraExponent = true;
    ExtraExponentText = QStringLiteral("\u00B710\\+") + QString::number(MaxExponent);
    // Between the last two labels in value order.
    size_t A = 0, B = 0;
    for (size_t I = 1; I < Labels.size(); ++I) {
      if (Labels[I].Value > Labels[B].Value) {
        A = B;
        B = I;
      } else if (A == B || Labels[I].Value > Labels[A].Value) {
        A = I;
      }
    }
    ExtraExponentPixel = (Labels[A].Pixel + Labels[B].Pixel) / 2;
    // Across the axis it stands beyond the line, on the labels' side.
    switch (Position) {
    case TGvAxisPosition::Bottom:
      ExtraExponentLine = AxTop + DistanceAxisExtraExponent;
      break;
    case TGvAxisPosition::Top:
      ExtraExponentLine = AxTop - DistanceAxisExtraExponent;
      break;
    case TGvAxisPosition::Left:
      ExtraExponentLine = AxLeft - DistanceAxisExtraExponent;
      break;
    case TGvAxisPosition::Right:
      ExtraExponentLine = AxLeft + DistanceAxisExtraExponent;
      break;
    }
  }
}

void TGvAxisScale::CalculateLog10Ticks()
{
  if (!(Start > 0 && Stop > Start) || !std::isfinite(Stop)) return;
  const int Max = MaxTicks();
  const bool AtLabel = MajorGridMode == TGvMajorGridMode::AtLabel;
  const int LabelEvery = std::max(1, int(std::lround(std::min(LabelPart, 1e6))));
  auto Tick = [&](double V, int E, bool Decade, bool Major, bool Label) {
    bool Grid = Major && !AtLabel;
    if (Label && NumbersVisible) {
      AddLabelMark(LogCaption(V, E, Decade), NumberToWorld(V), V);
      if (AtLabel) Grid = true;
    }
    AddTick(V, Major, Grid);
  };
  if (MajorTickPart <= 1.001) {
    // Mantissas 1 .. 9 (a minor part of 0.1); a larger minor part skips
    // mantissas (0.2: 1, 3, 5, 7, 9).
    const int MantissaStep = std::max(1, int(std::lround(std::min(TickPart, 1.0) * 10)));
    const int First = int(std::floor(std::log10(Start) + cEps));
    for (int E = First; int(Ticks.size()) < Max; ++E) {
      const double Unit = Power10(E);
      if (Unit > Stop * (1 + cEps) || !std::isfinite(Unit)) break;
      for (int M = 1; M <= 9 && int(Ticks.size()) < Max; M += MantissaStep) {
        const double V = M * Unit;
        if (V < Start * (1 - cEps)) continue;
        if (V > Stop * (1 + cEps)) break;
        const bool Label = (LabelPart <= 1 && std::lround(M / LabelPart) % 10 == 0) ||
                           (M == 1 && E % LabelEvery == 0);
        Tick(V, E, M == 1, M == 1, Label);
      }
    }
  } else {
    const int Step = std::max(1, int(std::lround(std::min(TickPart, 1e6))));
    const int MajorEvery = std::max(1, int(std::lround(std::min(MajorTickPart, 1e6))));
    // Decades at the multiples of the step, so that the majors and labels
    // (multiples of their parts) fall on ticks.
    int E = int(std::ceil((LogStart - cEps) / Step)) * Step;
    for (; E <= LogStop + cEps && int(Ticks.size()) < Max; E += Step) {
      const bool Major = E % MajorEvery == 0;
      Tick(Power10(E), E, true, Major, Major && E % LabelEvery == 0);
    }
  }
}

void TGvAxisScale::CalculateRubricsTicks()
{
  RangeExponent = 0;
  const double Step = TickPart > 0 && std::isfinite(TickPart) ? TickPart : 1;
  const double Lp = LabelPart > 0 && std::isfinite(LabelPart) ? LabelPart : Step;
  const double Mp = MajorTickPart > 0 && std::isfinite(MajorTickPart) ? MajorTickPart : Step;
  const double Tol = 0.004 * Step;
  const double Lo = std::min(Start, Stop), Hi = std::max(Start, Stop);
  if (!std::isfinite(Lo) || !std::isfinite(Hi)) return;
  const double First = EndsNotRounded() ? RoundUp(0, Step, Lo) : Lo;
  const double K = NormalisingConstant();
  // Captions stand between the ticks: half a label step towards growing values.
  double Shift = K != 0 && std::isfinite(K) ? Lp / K / 2 : 0;
  if (IsFlipped()) Shift = -Shift;
  if (!std::isfinite(Shift) || std::fabs(Shift) > cMaxOffset) Shift = 0;
  double NextMajor = RoundUp(0, Mp, Lo);
  double NextLabel = RoundUp(0, Lp, Lo);
  const int Max = MaxTicks();
  for (int I = 0; I < Max; ++I) {
    const double X = First + I * Step;
    if (X > Hi + Tol) break;
    bool Major = false;
    if (std::fabs(X - NextMajor) < Tol) {
      Major = true;
      NextMajor = RoundUp(0, Mp, X + Step);
    }
    if (NumbersVisible && std::fabs(X - NextLabel) < Tol) {
      const double Index = RoundHalfEvenF(X);
      if (Index >= 0 && Index < Rubrics.size() && X < Hi)
        AddLabelMark(Rubrics[int(Index)], NumberToWorld(X) + Shift, X);
      NextLabel = RoundUp(0, Lp, X + Tol);
    }
    AddTick(X, Major, Major);
  }
}

void TGvAxisScale::CalculateSecondsTicks()
{
  const double Unit = SecRegionSeconds(SecParameters.Rgn);
  const double Step = Power10(SecParameters.Exponent) * TickPart * Unit;
  // A step that is not positive would never advance.
  if (!(Step > 0) || !std::isfinite(Step)) return;
  const double Tol = 0.004 * Step;
  const double Lo = std::min(Start, Stop), Hi = std::max(Start, Stop);
  if (!std::isfinite(Lo) || !std::isfinite(Hi)) return;
  const double First = EndsNotRounded() ? RoundEnd(true, false, Lo) : Lo;
  const double Lp = LabelPart > 0 ? LabelPart : TickPart;
  double NextMajor = RoundEnd(true, true, Lo);
  double NextLabel = SecondsRound(Lo, Lp, true);
  const int Max = MaxTicks();
  double Previous = -std::numeric_limits<double>::infinity();
  for (int I = 0; I < Max; ++I) {
    const double X = First + I * Step;
    if (X > Hi + Tol || !(X > Previous)) break;
    Previous = X;
    bool Major = false, Grid = false;
    if (NumbersVisible && std::fabs(X - NextLabel) < Tol) {
      AddLabelMark(SecondsToString(NextLabel, SecParameters.Format), NumberToWorld(X), NextLabel);
      NextLabel = SecondsRound(X + Tol, Lp, true);
      if (MajorGridMode == TGvMajorGridMode::AtLabel) Grid = true;
    }
    if (std::fabs(X - NextMajor) < Tol) {
      Major = true;
      if (MajorGridMode == TGvMajorGridMode::AtMajorTick) Grid = true;
      NextMajor = RoundEnd(true, true, X + Step);
    }
    AddTick(X, Major, Grid);
  }
}

void TGvAxisScale::CalculateDateTimeTicks()
{
  if (Start > Stop) std::swap(Start, Stop);
  Start = ClampFinite(Start, cGvAxisMinDateTime, cGvAxisMaxDateTime);
  Stop = ClampFinite(Stop, cGvAxisMinDateTime, cGvAxisMaxDateTime);
  const TGvDtParameters& P = DtParameters;
  const double K = std::fabs(NormalisingConstant());
  const QString Format = P.Format.isEmpty() ? DateTimeFormats.DayFormat : P.Format;
  const bool Weeks = P.MajorRgn == TGvDtRegion::Day && P.MajorMod == 7;
  const bool Months = P.MajorRgn == TGvDtRegion::Month && P.MajorMod == 1;
  const int64_t MajorMod = std::max(1, P.MajorMod);
  const int64_t LabelMod = std::max(1, P.LabelMod);
  bool Alternate = false;
  double X = DateTimeRound(true, false, Start);
  const int Max = MaxTicks();
  for (int I = 0; I < Max; ++I) {
    if (DateTimeSpan(X, Stop) < -K) break;
    const TGvDateParts D = DecodeDateParts(X);
    const int64_t V = DtCounter(P.MinorRgn, D);
    bool Major, Label;
    if (Weeks) {
      Major = D.DayOfWeek == 1;
      if (P.LabelMod == 1) {
        Label = true;
      } else {
        Alternate = !Alternate;
        Label = Alternate;
      }
    } else {
      Major = Months ? D.Day == 1 : V % MajorMod == 0;
      Label = P.MajorRgn == TGvDtRegion::Year ? D.Year % LabelMod == 0 : V % LabelMod == 0;
    }
    bool Grid = Major && MajorGridMode == TGvMajorGridMode::AtMajorTick;
    if (Major && NumbersVisible && Label) {
      QString Text =
          P.MajorRgn == TGvDtRegion::Year ? QString::number(D.Year) : MyDateTimeToString(Format, X);
      if (P.MajorRgn == TGvDtRegion::MilliSecond) Text = CutMilliSecondZeros(Text);
      AddLabelMark(Text, NumberToWorld(X), X);
      if (MajorGridMode == TGvMajorGridMode::AtLabel) Grid = true;
    }
    AddTick(X, Major, Grid);
    const double Next = DtNextTick(P, X);
    if (!(DateTimeSpan(X, Next) > 0)) break;
    X = Next;
  }
}

// ---- Increments and scrolling ----

double TGvAxisScale::MajorIncrement() const
{
  if (IsLogScaling() && HasLogScaling) return MajorTickPart;
  switch (Scaling) {
  case TGvAxisScaling::Seconds:
    return MajorTickPart * Power10(SecParameters.Exponent) * SecRegionSeconds(SecParameters.Rgn);
  case TGvAxisScaling::DateTime:
    return DtMajorScrollDays(DtParameters);
  default:
    return MajorTickPart * Power10(RangeExponent);
  }
}

double TGvAxisScale::MinorIncrement() const
{
  if (IsLogScaling() && HasLogScaling) return 0.04;
  switch (Scaling) {
  case TGvAxisScaling::Seconds:
    return TickPart * Power10(SecParameters.Exponent) * SecRegionSeconds(SecParameters.Rgn);
  case TGvAxisScaling::DateTime:
    return std::max(1, DtParameters.Increment) * DtRegionScrollDays(DtParameters.MinorRgn);
  default:
    return TickPart * Power10(RangeExponent);
  }
}

namespace {

int ClampToInt(double V)
{
  if (std::isnan(V)) return 0;
  return int(std::clamp(V, -1e9, 1e9));
}

} // namespace

int TGvAxisScale::ScrollRangeSize(double RangeStart, double RangeStop, double ScrollStart,
                                  double ScrollStop) const
{
  const bool Log = IsLogScaling() && HasLogScaling;
  auto T = [Log](double V) { return Log ? (V > 0 ? std::log10(V) : -cMaxEnd) : V; };
  double W = T(ScrollStop) - T(ScrollStart);
  if (!(W > 0)) W = T(Stop) - T(Start);
  if (!(W > 0) || !std::isfinite(W)) return 10000;
  const double Size = RoundHalfEvenF(10000 * (T(RangeStop) - T(RangeStart)) / W);
  return int(ClampFinite(Size, 0, 10000));
}

int TGvAxisScale::ScrollPosition(double X, double ScrollStart, double ScrollStop) const
{
  const bool Log = IsLogScaling() && HasLogScaling;
  auto T = [Log](double V) { return Log ? (V > 0 ? std::log10(V) : -cMaxEnd) : V; };
  double W = T(ScrollStop) - T(ScrollStart);
  if (!(W > 0)) W = T(Stop) - T(Start);
  if (!(W > 0) || !std::isfinite(W)) return 0;
  return ClampToInt(RoundHalfEvenF(10000 * (T(X) - T(ScrollStart)) / W));
}

bool TGvAxisScale::IsClipped(bool HasSeries) const
{
  if (RedoRange || !HasSeries || !(ValuesStart < ValuesStop)) return false;
  return Start - std::fabs(Start) * 1e-8 > ValuesStart ||
         Stop + std::fabs(Stop) * 1e-8 < ValuesStop;
}
