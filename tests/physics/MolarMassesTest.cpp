#include "physics/MolarMasses.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Compounds, EveryNamedRowIsFoundByItsOwnName)
{
  int named = 0;
  for (size_t i = 0; i < Compounds.size(); ++i) {
    const TCompound& row = Compounds[i];
    if (row.Name.isEmpty()) continue;
    ++named;
    const TCompound found = GetCompound(row.Name);
    EXPECT_EQ(found.Name, row.Name);
    EXPECT_EQ(found.LongName, row.LongName);
    EXPECT_EQ(found.MolarMass, row.MolarMass);
    EXPECT_EQ(found.C1Name, row.C1Name);
  }
  EXPECT_EQ(named, 16);
}

TEST(Compounds, MixtureRowsCarryTheirComponentsInOrder)
{
  const TCompound air = GetCompound("Air");
  EXPECT_TRUE(air.Mixture);
  EXPECT_EQ(air.C1Name, "N2");
  EXPECT_EQ(air.C1VFraction, 0.78084f);
  EXPECT_EQ(air.C2Name, "O2");
  EXPECT_EQ(air.C2VFraction, 0.20946f);
  EXPECT_EQ(air.C3Name, "Ar");
  EXPECT_EQ(air.C3VFraction, 0.00934f);
  EXPECT_TRUE(air.C4Name.isEmpty());
  EXPECT_EQ(air.C4VFraction, 0.0f);

  const TCompound argonHydrogen = GetCompound("5%H2,95%Ar");
  EXPECT_EQ(argonHydrogen.MolarMass, 38.0513f);
  EXPECT_EQ(argonHydrogen.C2Name, "Ar");
  EXPECT_TRUE(argonHydrogen.C3Name.isEmpty());

  // A mixture's stored molar mass is the fraction-weighted sum of its parts.
  double sum = 0;
  for (auto [n, x] : {std::pair{air.C1Name, air.C1VFraction},
                      {air.C2Name, air.C2VFraction},
                      {air.C3Name, air.C3VFraction}})
    sum += GetCompound(n).MolarMass * double(x);
  EXPECT_NEAR(sum, air.MolarMass, 1e-3);

  EXPECT_FALSE(GetCompound("O2").Mixture);
  EXPECT_TRUE(GetCompound("O2").C1Name.isEmpty());
}

TEST(Compounds, EmptyNameFindsTheEmptyRow)
{
  const TCompound empty = GetCompound("");
  EXPECT_TRUE(empty.Name.isEmpty());
  EXPECT_TRUE(empty.LongName.isEmpty());
  EXPECT_EQ(empty.MolarMass, 0.0f);
  EXPECT_FALSE(empty.Mixture);
}

TEST(Compounds, UnknownNamesRaiseWithTheSearchedText)
{
  for (const QString& name : {QString("ar"), QString(" Ar"), QString("Ar "), QString("NAN")}) {
    try {
      GetCompound(name);
      ADD_FAILURE() << "no error for " << name.toStdString();
    } catch (const ECompoundError& e) {
      EXPECT_EQ(e.Message(), "Molar mass could not be found for search item '" + name +
                                 "' It is not recommended to continue the program before the "
                                 "problem is fixed");
    }
  }
}

TEST(MolesPerGram, IsTheInverseMolarMassAsSingle)
{
  EXPECT_FLOAT_EQ(GetMolesPerGram("H2"), float(1.0L / 2.01588L));
  EXPECT_NEAR(GetMolesPerGram("H2"), 0.496061, 1e-6);
  EXPECT_FLOAT_EQ(GetMolesPerGram("N2"), float(1.0L / 28.0134f));
  EXPECT_THROW(GetMolesPerGram("n2"), ECompoundError);
}

TEST(MolesPerGram, EmptyNameRaisesInsteadOfDividingByZero)
{
  try {
    GetMolesPerGram("");
    FAIL() << "no error";
  } catch (const ECompoundError& e) {
    EXPECT_TRUE(e.Message().contains("no molar mass")) << e.what();
  }
}

TEST(H2OPressure, FollowsThePolynomial)
{
  struct Case
  {
    float t;
    double expected;
    double tolerance;
  };
  for (const Case& c : {Case{0, 0.00600131607517, 0}, Case{20, 0.0230804, 5e-7},
                        Case{100, 0.9999966, 5e-6}, Case{25, 0.0312, 2e-4}}) {
    const float p = GetH2OPressureATM(c.t);
    if (c.tolerance == 0)
      EXPECT_EQ(p, float(c.expected));
    else
      EXPECT_NEAR(p, c.expected, c.tolerance) << "T=" << c.t;
  }
}
