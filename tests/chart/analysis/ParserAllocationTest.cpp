// Evaluating a parsed expression allocates nothing. The allocation functions
// of this test program count the calls made while a scope asks for it.
#include "ParserTestSupport.h"

#include <cstdlib>
#include <new>

namespace {
thread_local bool tCounting = false;
thread_local long tAllocations = 0;

void* Allocate(std::size_t Size)
{
  if (tCounting) ++tAllocations;
  if (void* P = std::malloc(Size ? Size : 1)) return P;
  throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t Size)
{
  return Allocate(Size);
}
void* operator new[](std::size_t Size)
{
  return Allocate(Size);
}
// The nothrow forms too: the standard library pairs them with the plain
// deletes below (std::stable_sort's buffer, for one).
void* operator new(std::size_t Size, const std::nothrow_t&) noexcept
{
  if (tCounting) ++tAllocations;
  return std::malloc(Size ? Size : 1);
}
void* operator new[](std::size_t Size, const std::nothrow_t&) noexcept
{
  if (tCounting) ++tAllocations;
  return std::malloc(Size ? Size : 1);
}
void operator delete(void* P, const std::nothrow_t&) noexcept
{
  std::free(P);
}
void operator delete[](void* P, const std::nothrow_t&) noexcept
{
  std::free(P);
}
void operator delete(void* P) noexcept
{
  std::free(P);
}
void operator delete[](void* P) noexcept
{
  std::free(P);
}
void operator delete(void* P, std::size_t) noexcept
{
  std::free(P);
}
void operator delete[](void* P, std::size_t) noexcept
{
  std::free(P);
}

namespace {

class ParserAllocations : public TRegistryTest
{
};

TEST_F(ParserAllocations, EvaluationAllocatesNothing)
{
  TTestPublisher Fit("Fit");
  double Slope = 0.5;
  std::vector<double> Values{1, 2, 3};
  AddVariableToList("Slope", "", &Fit, GlobalVariableList(), [&Slope] { return Slope; });
  AddArrayToList(
      "Coefficients", "", &Fit, GlobalArrayList(), [&Values](int I) { return Values[size_t(I)]; },
      [&Values] { return int(Values.size()); });

  double X = 0;
  TGvFunctionParser P;
  P.BindVariable("x", &X);
  P.SetExpression(
      "sin(x)*exp(-x/10)+x^2/3-Fit.Slope*Fit.Coefficients(Round(x)-2*Floor(x/2))+Random");
  double Sum = 0;
  tAllocations = 0;
  tCounting = true;
  for (int I = 0; I < 1000; ++I) {
    X = I * 0.01;
    Sum += P.GetResult();
  }
  tCounting = false;
  EXPECT_EQ(tAllocations, 0);
  EXPECT_TRUE(std::isfinite(Sum));
  RemoveFromGlobalLists(&Fit);
}

} // namespace
