// The discrete Fourier transform and the spectrum of the Fourier series.
//
// References: closed forms (a pure tone, a cosine's amplitude and phase,
// Parseval's identity), a direct sum in extended precision, and three
// transforms computed once with numpy 1.24 (reference/make_reference.py,
// section GvFFTTest.cpp): our transform has the + sign and no normalisation,
// so the tables are N·numpy.fft.ifft(x) of the signal of TestSignal.
#include "chart/analysis/GvFFT.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace {

using TLongComplex = std::complex<long double>;
constexpr double Pi = std::numbers::pi;

TComplexArray TestSignal(std::size_t N)
{
  TComplexArray X(N);
  for (std::size_t I = 0; I < N; ++I) {
    const double T = double(I);
    X[I] = {std::sin(0.7 * T) + 0.3 * std::cos(1.3 * T), 0.2 * std::sin(2.1 * T)};
  }
  return X;
}

TComplexArray RandomSignal(std::size_t N, unsigned Seed)
{
  std::mt19937_64 Gen(Seed);
  std::uniform_real_distribution<double> U(-1.0, 1.0);
  TComplexArray X(N);
  for (auto& V : X) V = {U(Gen), U(Gen)};
  return X;
}

// Σ_n x[n]·e^(+2πi·kn/N) summed in extended precision, the exponent kn
// reduced modulo N in 64 bits.
std::vector<TLongComplex> DirectDft(const TComplexArray& X)
{
  const std::uint64_t N = X.size();
  std::vector<TLongComplex> Root(N), Out(N);
  for (std::uint64_t J = 0; J < N; ++J) {
    const long double A = 2 * std::numbers::pi_v<long double> * J / N;
    Root[J] = {std::cos(A), std::sin(A)};
  }
  for (std::uint64_t K = 0; K < N; ++K) {
    TLongComplex S = 0;
    for (std::uint64_t J = 0; J < N; ++J) S += TLongComplex(X[J].Re, X[J].Im) * Root[(K * J) % N];
    Out[K] = S;
  }
  return Out;
}

// ||a - b|| / ||b|| over all elements.
double RelativeError(const TComplexArray& A, const std::vector<TLongComplex>& B)
{
  long double E = 0, R = 0;
  for (std::size_t I = 0; I < A.size(); ++I) {
    E += std::norm(TLongComplex(A[I].Re, A[I].Im) - B[I]);
    R += std::norm(B[I]);
  }
  return double(std::sqrt(E / (R > 0 ? R : 1)));
}

double SumOfSquares(const TComplexArray& X)
{
  long double S = 0;
  for (const auto& V : X) S += (long double)V.Re * V.Re + (long double)V.Im * V.Im;
  return double(S);
}

// The spectrum calculation over plain arrays.
struct TSpectrum
{
  std::vector<double> X, Y, W;
  std::vector<std::uint8_t> Valid;
  double Start = -cGvMaxDouble, Stop = cGvMaxDouble;
  TGvDiscreteFourierCalculation Calc;

  void Run()
  {
    TGvCalculationData D;
    D.X = X;
    D.Y = Y;
    D.Weight = W;
    D.Valid = Valid;
    D.Start = Start;
    D.Stop = Stop;
    Calc.Calculate(D);
  }
};

// Equidistant samples X = i·Dt of F(i).
template <class F> TSpectrum Sampled(std::size_t N, double Dt, F Fn)
{
  TSpectrum S;
  for (std::size_t I = 0; I < N; ++I) {
    S.X.push_back(double(I) * Dt);
    S.Y.push_back(Fn(double(I)));
  }
  return S;
}

// Computed once by reference/make_reference.py (N·numpy.fft.ifft of TestSignal).
// N = 6
const TComplex FftRef6[] = {
    {2.816016326766481, -0.0033298714327506095}, {-0.6169604034948857, 0.893121484467585},
    {-0.5907258984447181, 0.46521267953078205},  {0.1918361842811077, -0.003460874297372407},
    {0.6109985978447336, -0.45179446780742105},  {-0.611164806952718, -0.8997489504608229},
};
// N = 12
const TComplex FftRef12[] = {
    {1.9741435103189766, -0.006591110771599323}, {4.731932945296673, 1.8550492087153851},
    {-1.9147838273719295, -2.517975405367046},   {-0.8395459405765859, 0.5532245051147505},
    {-1.7364167821581125, 0.07851218096913423},  {-0.43267946586279715, -0.006319496473628227},
    {-0.4177518556542593, -0.00711497408824746}, {-0.4512874183886506, -0.008202873460003923},
    {0.6656732655127914, -0.011405288890152611}, {-0.8129207683060191, -0.5658929206494827},
    {-1.9031991881162247, 2.5049222548132772},   {4.736835525306136, -1.868206079912387},
};
// N = 67
const TComplex FftRef67[] = {
    {2.4968465118542134, 0.040034631457026404},   {2.5435694836066296, 0.07860932057467634},
    {2.7033776293106655, 0.12262411224180539},    {3.01962760866523, 0.17906513509060729},
    {3.6010114305515675, 0.2614614033679079},     {4.745816974141387, 0.40414435204907184},
    {7.581959917402076, 0.734329778675869},       {22.988699138363465, 2.4750751485744646},
    {-19.427877635832974, -2.2873281799863654},   {-6.713421987145278, -0.8562948270597945},
    {-4.115039922966446, -0.5694323434602108},    {-3.088717683012549, -0.4737731318349899},
    {-2.696348164641289, -0.4885986642830642},    {-3.069219804326221, -0.7712293132241674},
    {7.442866644247216, 4.017404970591654},       {-0.15181356981526498, 0.48491864896091336},
    {-0.5246527583505229, 0.31225306651055984},   {-0.6166607099261465, 0.2975956802185774},
    {-0.6531083708864127, 0.3455085985340335},    {-0.6867445977643344, 0.4552639226807144},
    {-0.7519068313389178, 0.6783957190340818},    {-0.9336280851328592, 1.2411375706031005},
    {-2.1291601314553694, 4.706955009260123},     {0.6666379087022118, -3.2660903694716934},
    {-0.0014911842601658676, -1.320882055313702}, {-0.14966037774522228, -0.87107270387013},
    {-0.21198855822469947, -0.6730246532386815},  {-0.24558429445907182, -0.5630735170610595},
    {-0.2667572882344649, -0.4944396091109695},   {-0.2819139323489111, -0.4487784988232102},
    {-0.2940890810705822, -0.4175104511561191},   {-0.30492842007383975, -0.3961789662112553},
    {-0.3154376008359058, -0.3823491476859003},   {-0.3263147855706475, -0.374717443265091},
    {-0.33812250880188754, -0.37271501030944637}, {-0.35139591194184117, -0.37635254972197224},
    {-0.3667339502620531, -0.3862217373142878},   {-0.3849080456421151, -0.40365346349075754},
    {-0.4070346038708024, -0.43111822041322856},  {-0.43490800938240426, -0.47312141818575565},
    {-0.47174909305928636, -0.5383123196053519},  {-0.5241839121958998, -0.645136592139005},
    {-0.6087654133722664, -0.8405244149962932},   {-0.7828450911195692, -1.2883687680465943},
    {-1.4807316046571364, -3.2326633850003077},   {1.2814400153397638, 4.739672309089486},
    {0.04880928609899832, 1.2705659472553306},    {-0.1720968355774083, 0.700275763649954},
    {-0.27477436463008825, 0.4621766868258332},   {-0.3344501409408264, 0.3235115717766933},
    {-0.3581986977372124, 0.21729102863157868},   {-0.308783864761518, 0.09844942988008398},
    {0.03193702213255062, -0.1487782417648977},   {7.601235656186348, -3.7368266443812708},
    {-2.9316478238454886, 1.009161325770536},     {-2.5763177174077865, 0.693070053660678},
    {-2.983840404416349, 0.6515603191692777},     {-4.023519105177687, 0.725690515022482},
    {-6.633880119470613, 0.9950521460312078},     {-19.359244116850146, 2.4118089267734057},
    {23.047263468940734, -2.3622315520474877},    {7.6311147938499815, -0.6309154583753224},
    {4.7860792353957, -0.30827238689462955},      {3.6327809780070517, -0.17148363330725983},
    {3.043205898472035, -0.09350913869154875},    {2.7189806995243893, -0.040143177154243176},
    {2.551336809746257, 0.002058894934330202},
};

// ---- The transform -----------------------------------------------------------

TEST(DiscreteFourierTransform, MatchesNumpy)
{
  // Tolerance 1e-13 absolute: the values are at most about 25, and the
  // transforms sum at most 67 terms.
  for (std::span<const TComplex> Ref :
       {std::span<const TComplex>(FftRef6), std::span<const TComplex>(FftRef12),
        std::span<const TComplex>(FftRef67)}) {
    TComplexArray X = TestSignal(Ref.size());
    DiscreteFourierTransform(X);
    for (std::size_t K = 0; K < Ref.size(); ++K) {
      EXPECT_NEAR(X[K].Re, Ref[K].Re, 1e-13) << "N=" << Ref.size() << " k=" << K;
      EXPECT_NEAR(X[K].Im, Ref[K].Im, 1e-13) << "N=" << Ref.size() << " k=" << K;
    }
  }
}

TEST(DiscreteFourierTransform, EveryLengthAgreesWithTheDirectSum)
{
  // Every length up to 130 (radices 2, 3, 4, 5, the odd primes up to 61, and
  // the chirp convolution for 67, 71, …, 127), and a few mixed ones.
  std::vector<std::size_t> Lengths;
  for (std::size_t N = 1; N <= 130; ++N) Lengths.push_back(N);
  for (std::size_t N : {183u, 210u, 243u, 256u, 390u, 512u, 1000u, 1009u, 1024u, 1031u})
    Lengths.push_back(N);
  for (std::size_t N : Lengths) {
    const TComplexArray In = RandomSignal(N, unsigned(N));
    TComplexArray X = In;
    DiscreteFourierTransform(X);
    // Tolerance: relative error of the whole transform 1e-14 (the largest
    // over these lengths is about 6e-16).
    EXPECT_LT(RelativeError(X, DirectDft(In)), 1e-14) << "N=" << N;
  }
  EXPECT_FALSE(TGvFFTPlan(61).UsesBluestein());
  EXPECT_FALSE(TGvFFTPlan(183).UsesBluestein());
  EXPECT_TRUE(TGvFFTPlan(67).UsesBluestein());
  EXPECT_TRUE(TGvFFTPlan(1009).UsesBluestein());
}

struct TTone
{
  std::size_t N, F;
};

// A tone e^(-2πi·f·n/N) transforms to N at bin f and 0 elsewhere: every
// twiddle and every index of the transform shows in it.
void ExpectTone(TTone C)
{
  TComplexArray X(C.N);
  for (std::size_t I = 0; I < C.N; ++I) {
    const long double A =
        -2 * std::numbers::pi_v<long double> * ((std::uint64_t(C.F) * I) % C.N) / C.N;
    X[I] = {double(std::cos(A)), double(std::sin(A))};
  }
  DiscreteFourierTransform(X);
  double Leak = 0;
  for (std::size_t K = 0; K < C.N; ++K)
    if (K != C.F) Leak = std::max(Leak, std::hypot(X[K].Re, X[K].Im));
  // Tolerance: 1e-9 absolute against a peak of N ≥ 65 537 (the results stay
  // below 5e-11, about 1e-16·N; a root of unity rounded to single precision
  // and raised to its powers is off by some 1e-5 at 2^20).
  EXPECT_NEAR(X[C.F].Re, double(C.N), 1e-9) << "N=" << C.N;
  EXPECT_NEAR(X[C.F].Im, 0.0, 1e-9) << "N=" << C.N;
  EXPECT_LT(Leak, 1e-9) << "N=" << C.N;
}

// Lengths above 46 341 make the index product k·n leave 32 bits: 65 537 is
// prime (chirp convolution), 255 255 = 3·5·7·11·13·17 (odd radices).
TEST(DiscreteFourierTransform, ToneOfLongOddLengthsLandsInOneBin)
{
  ExpectTone({65537, 40001});
  ExpectTone({255255, 200003});
}

// 2^20, the power of two whose twiddles a single-precision root would spoil,
// and 10^6 = 2^6·5^6.
TEST(DiscreteFourierTransform, ToneOfAMillionPointsLandsInOneBin)
{
  ExpectTone({std::size_t(1) << 20, 12345});
  ExpectTone({1000000, 654321});
}

TEST(DiscreteFourierTransform, ParsevalAndRoundTripForAMillionPoints)
{
  {
    const std::size_t N = 1000000;
    const TComplexArray In = RandomSignal(N, 7);
    TComplexArray X = In;
    TGvFFTPlan Plan(N);
    Plan.Execute(X);
    // Parseval: Σ|X|² = N·Σ|x|². Tolerance 1e-14 relative (reached: 2e-16).
    EXPECT_NEAR(SumOfSquares(X) / (double(N) * SumOfSquares(In)), 1.0, 1e-14) << "N=" << N;
    // Back by conj(F(conj(X)))/N. Tolerance 1e-14 absolute on values within
    // ±1 (reached: 1.6e-15).
    for (auto& V : X) V.Im = -V.Im;
    Plan.Execute(X);
    double Err = 0;
    for (std::size_t I = 0; I < N; ++I)
      Err = std::max(Err,
                     std::hypot(X[I].Re / double(N) - In[I].Re, -X[I].Im / double(N) - In[I].Im));
    EXPECT_LT(Err, 1e-14) << "N=" << N;
  }
}

// Long lengths transform their columns two at a time, with 256-bit vector
// instructions where the processor has them: both kernels give the transform,
// also where a block ends in an odd column (255 255 = 455·561, 3^11 = 243·729)
// and inside the chirp convolution (65 537).
TEST(DiscreteFourierTransform, ColumnKernelsAgree)
{
  for (std::size_t N :
       {std::size_t(1) << 17, std::size_t(177147), std::size_t(255255), std::size_t(65537)}) {
    const TComplexArray In = RandomSignal(N, unsigned(N));
    TComplexArray Common(N), Widest(N);
    TGvFFTPlan(N, GvFFTColumnKernel(false)).Execute(In.data(), Common.data());
    TGvFFTPlan(N).Execute(In.data(), Widest.data());
    // Tolerance: 1e-15 relative between the two (a rounding or two apart, from
    // fused multiply-adds), and the round trip of the common kernel within
    // 1e-14 absolute on values within ±1.
    double Diff = 0, Norm = 0;
    for (std::size_t K = 0; K < N; ++K) {
      Diff += std::pow(Common[K].Re - Widest[K].Re, 2) + std::pow(Common[K].Im - Widest[K].Im, 2);
      Norm += std::pow(Common[K].Re, 2) + std::pow(Common[K].Im, 2);
    }
    EXPECT_LT(std::sqrt(Diff / Norm), 1e-15) << "N=" << N;
    for (auto& V : Common) V.Im = -V.Im;
    TComplexArray Back(N);
    TGvFFTPlan(N, GvFFTColumnKernel(false)).Execute(Common.data(), Back.data());
    double Err = 0;
    for (std::size_t I = 0; I < N; ++I)
      Err = std::max(
          Err, std::hypot(Back[I].Re / double(N) - In[I].Re, -Back[I].Im / double(N) - In[I].Im));
    EXPECT_LT(Err, 1e-14) << "N=" << N;
  }
}

// ---- The spectrum ------------------------------------------------------------

TEST(DiscreteFourierSpectrum, EightSamplesOfOnePlusCosine)
{
  TSpectrum S = Sampled(8, 1.0, [](double T) { return 1 + std::cos(2 * Pi * T / 8); });
  S.Run();
  ASSERT_EQ(S.Calc.PointsN(), 4u);
  EXPECT_FALSE(S.Calc.Resampled());
  const double Amplitudes[] = {2, 1, 0, 0};
  for (std::size_t K = 0; K < 4; ++K) EXPECT_NEAR(S.Calc.Amplitude()[K], Amplitudes[K], 1e-15);
  EXPECT_NEAR(S.Calc.Phase()[0], 0.0, 1e-15);
  EXPECT_NEAR(S.Calc.Phase()[1], 0.0, 1e-15);
  // The frequency step is 1/(N·dt): the cosine of period 8 sits at 1/8.
  EXPECT_DOUBLE_EQ(S.Calc.Delta(), 1.0 / 8);
  EXPECT_DOUBLE_EQ(S.Calc.Frequency(1), 0.125);
}

// sin(2π·t/4) without rounding: 0, 1, 0, -1.
double Quarter(double T)
{
  const double V[] = {0, 1, 0, -1};
  return V[int(T) % 4];
}

TEST(DiscreteFourierSpectrum, AmplitudeAndPhaseOfPureTones)
{
  struct TCase
  {
    const char* Name;
    std::size_t N, Bin;
    double (*Fn)(double T, double N);
    double Amplitude, Phase;
  };
  // Closed form: A·sin(2π·f·t/N + φ) has amplitude A and phase π/2 − φ at
  // bin f (X[f] = (A·N/2)·e^(i(π/2 − φ)) with the + sign). Tolerance 1e-14.
  const TCase Cases[] = {
      {"sine, exact zero real part", 4, 1, [](double T, double) { return Quarter(T); }, 1, Pi / 2},
      {"minus sine", 4, 1, [](double T, double) { return -Quarter(T); }, 1, -Pi / 2},
      {"cosine", 8, 1, [](double T, double N) { return std::cos(2 * Pi * T / N); }, 1, 0},
      {"minus cosine", 8, 1, [](double T, double N) { return -std::cos(2 * Pi * T / N); }, 1, Pi},
      {"shifted sine", 16, 3,
       [](double T, double N) { return 2.5 * std::sin(2 * Pi * 3 * T / N + 0.3); }, 2.5,
       Pi / 2 - 0.3},
      {"positive constant", 8, 0, [](double, double) { return 3.0; }, 6, 0},
      {"negative constant", 8, 0, [](double, double) { return -3.0; }, 6, Pi},
      {"odd length", 9, 2, [](double T, double N) { return 3 * std::cos(2 * Pi * 2 * T / N); }, 3,
       0},
      {"odd length, sine", 15, 4,
       [](double T, double N) { return 0.5 * std::sin(2 * Pi * 4 * T / N); }, 0.5, Pi / 2},
  };
  for (const TCase& C : Cases) {
    TSpectrum S = Sampled(C.N, 1.0, [&](double T) { return C.Fn(T, double(C.N)); });
    S.Run();
    ASSERT_EQ(S.Calc.PointsN(), C.N / 2) << C.Name;
    EXPECT_NEAR(S.Calc.Amplitude()[C.Bin], C.Amplitude, 1e-14) << C.Name;
    // Phases compared on the circle (π and -π are the same angle).
    EXPECT_NEAR(std::remainder(S.Calc.Phase()[C.Bin] - C.Phase, 2 * Pi), 0.0, 1e-14) << C.Name;
    EXPECT_DOUBLE_EQ(S.Calc.Delta(), 1.0 / double(C.N)) << C.Name;
  }
  // A bin that is exactly zero has the phase 0.
  TSpectrum S;
  S.X = {0, 1, 2, 3};
  S.Y = {Quarter(0), Quarter(1), Quarter(2), Quarter(3)};
  S.Run();
  EXPECT_EQ(S.Calc.Amplitude()[0], 0.0);
  EXPECT_EQ(S.Calc.Phase()[0], 0.0);
}

TEST(DiscreteFourierSpectrum, FrequencyStepFollowsTheSampleSpacing)
{
  // 64 samples 0.5 apart of a cosine with period 4: bin 8 at 1/(64·0.5)·8 = 0.25.
  TSpectrum S = Sampled(64, 0.5, [](double T) { return std::cos(2 * Pi * (T * 0.5) / 4); });
  S.Run();
  EXPECT_DOUBLE_EQ(S.Calc.Delta(), 1.0 / 32);
  const auto& A = S.Calc.Amplitude();
  const std::size_t Peak = std::size_t(std::max_element(A.begin(), A.end()) - A.begin());
  EXPECT_EQ(Peak, 8u);
  EXPECT_DOUBLE_EQ(S.Calc.Frequency(Peak), 0.25);
}

TEST(DiscreteFourierSpectrum, FewerThanTwoUsablePointsGiveNoSpectrum)
{
  struct TCase
  {
    const char* Name;
    std::vector<double> X, Y, W;
    std::vector<std::uint8_t> Valid;
  };
  const TCase Cases[] = {
      {"no points", {}, {}, {}, {}},
      {"one point", {0}, {5}, {}, {}},
      {"one valid of three", {0, 1, 2}, {1, 2, 3}, {}, {0, 1, 0}},
      {"one weighted of three", {0, 1, 2}, {1, 2, 3}, {0, 2, 0}, {}},
      {"one finite of two", {0, NAN}, {1, 2}, {}, {}},
  };
  for (const TCase& C : Cases) {
    TSpectrum S;
    S.X = C.X;
    S.Y = C.Y;
    S.W = C.W;
    S.Valid = C.Valid;
    S.Run();
    EXPECT_EQ(S.Calc.PointsN(), 0u) << C.Name;
    EXPECT_EQ(S.Calc.Phase().size(), 0u) << C.Name;
    EXPECT_EQ(S.Calc.GetY(0.0), 0.0) << C.Name;
    EXPECT_EQ(S.Calc.GetY(1.0), 0.0) << C.Name;
  }
}

TEST(DiscreteFourierSpectrum, UnorderedPointsAreResampledOverTheRange)
{
  // 200 samples of cos(2π·x/10) over [0, 100] in shuffled order.
  TSpectrum S;
  for (int I = 0; I < 200; ++I) {
    const double X = double((I * 37) % 200) * 0.5;
    S.X.push_back(X);
    S.Y.push_back(std::cos(2 * Pi * X / 10));
  }
  S.Start = 0;
  S.Stop = 99.5;
  S.Run();
  EXPECT_TRUE(S.Calc.Resampled());
  EXPECT_EQ(S.Calc.TransformedPoints(), 1024u);
  EXPECT_EQ(S.Calc.PointsN(), 512u);
  EXPECT_DOUBLE_EQ(S.Calc.Delta(), 1.0 / (1024 * (99.5 / 1023)));
  const auto& A = S.Calc.Amplitude();
  const std::size_t Peak = std::size_t(std::max_element(A.begin(), A.end()) - A.begin());
  // Frequency 0.1 within one bin.
  EXPECT_NEAR(S.Calc.Frequency(Peak), 0.1, S.Calc.Delta());

  // Without a finite range the points' own span is used.
  TSpectrum Open;
  Open.X = S.X;
  Open.Y = S.Y;
  Open.Run();
  EXPECT_TRUE(Open.Calc.Resampled());
  EXPECT_DOUBLE_EQ(Open.Calc.Delta(), S.Calc.Delta());
}

TEST(DiscreteFourierSpectrum, AscendingTestLooksAtThePointsUsed)
{
  // An out-of-order point that is not valid (an outlier) leaves the rest
  // ascending and equidistant: transformed as they are, not resampled.
  TSpectrum S = Sampled(17, 1.0, [](double T) { return std::cos(2 * Pi * T / 4); });
  S.X[16] = 3.5;
  S.Valid.assign(17, 1);
  S.Valid[16] = 0;
  S.Run();
  EXPECT_FALSE(S.Calc.Resampled());
  EXPECT_EQ(S.Calc.TransformedPoints(), 16u);
  EXPECT_NEAR(S.Calc.Amplitude()[4], 1.0, 1e-14);
}

TEST(DiscreteFourierSpectrum, GetYBetweenAndBeyondTheBins)
{
  TSpectrum S = Sampled(8, 1.0, [](double T) { return 1 + std::cos(2 * Pi * T / 8); });
  S.Run();
  // Bins 2, 1, 0, 0 at 0, 1/8, 2/8, 3/8.
  EXPECT_DOUBLE_EQ(S.Calc.GetY(0.0), 2.0);
  EXPECT_NEAR(S.Calc.GetY(1.0 / 16), 1.5, 1e-14);
  EXPECT_NEAR(S.Calc.GetY(3.0 / 16), 0.5, 1e-14);
  EXPECT_NEAR(S.Calc.GetY(10.0), 0.0, 1e-15);
  EXPECT_DOUBLE_EQ(S.Calc.GetY(-1.0), 2.0);
  EXPECT_EQ(S.Calc.GetY(NAN), 0.0);
}

TEST(DiscreteFourierSpectrum, MissingVectorsAndFormula)
{
  TGvDiscreteFourierCalculation Calc;
  TGvCalculationData D;
  D.HasX = false;
  try {
    Calc.Calculate(D);
    ADD_FAILURE() << "no error";
  } catch (const EMathError& E) {
    EXPECT_EQ(E.Message(), "No X vector defined for calculation");
  }
  D.HasX = true;
  D.HasY = false;
  try {
    Calc.Calculate(D);
    ADD_FAILURE() << "no error";
  } catch (const EMathError& E) {
    EXPECT_EQ(E.Message(), "No Y vector defined for calculation");
  }
  EXPECT_EQ(TGvDiscreteFourierCalculation::FormulaText(),
            QString::fromUtf8("Y\\-k\\- = \u03A3y\\-n\\- e\\+(-2\u03C0i/n kn)"));
}

} // namespace
