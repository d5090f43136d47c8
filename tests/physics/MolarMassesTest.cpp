#include "physics/MolarMasses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <utility>
#include <vector>

// The table as the mixer knows it, row by row, written out here rather than
// read back from the table itself.
TEST(Compounds, TableHoldsTheKnownGasesInOrder)
{
  struct Row
  {
    bool mixture;
    const char* name;
    const char* longName;
    float molarMass;
    std::vector<std::pair<const char*, float>> components;
  };
  const Row rows[] = {
      {true, "5%H2,95%Ar", "5%H2,95%Ar", 38.0513f, {{"H2", 0.05f}, {"Ar", 0.95f}}},
      {true, "Air", "Air", 28.9495f, {{"N2", 0.78084f}, {"O2", 0.20946f}, {"Ar", 0.00934f}}},
      {true, "Air2", "AirBottle", 28.8462f, {{"N2", 0.790985f}, {"O2", 0.209f}, {"H2O", 1.5e-05f}}},
      {true, "Air3", "AirBottleDry", 28.846348f, {{"N2", 0.791f}, {"O2", 0.209f}}},
      {false, "Ar", "Argon", 39.948f, {}},
      {false, "CO", "Carbon monoxide", 28.0134f, {}},
      {false, "CO2", "Carbon dioxide", 44.0095f, {}},
      {false, "H2", "Hydrogen", 2.01588f, {}},
      {false, "H2O", "Water", 18.01528f, {}},
      {false, "He", "Helium", 4.002602f, {}},
      {false, "N2", "Nitrogen", 28.0134f, {}},
      {false, "O2", "Oxygen", 31.9988f, {}},
      {false, "C", "Carbon single", 12.0107f, {}},
      {false, "H", "Hydrogen single", 1.00794f, {}},
      {false, "N", "Nitrogen single", 14.0067f, {}},
      {false, "O", "Oxygen single", 15.9994f, {}},
      {false, "", "", 0.0f, {}},
  };
  ASSERT_EQ(Compounds.size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE(r.name);
    const TCompound& c = Compounds[i];
    EXPECT_EQ(c.Mixture, r.mixture);
    EXPECT_EQ(c.Name, QString::fromLatin1(r.name));
    EXPECT_EQ(c.LongName, QString::fromLatin1(r.longName));
    EXPECT_EQ(c.MolarMass, r.molarMass);
    const std::pair<QString, float> parts[] = {{c.C1Name, c.C1VFraction},
                                               {c.C2Name, c.C2VFraction},
                                               {c.C3Name, c.C3VFraction},
                                               {c.C4Name, c.C4VFraction}};
    for (size_t k = 0; k < 4; ++k) {
      const bool used = k < r.components.size();
      EXPECT_EQ(parts[k].first, used ? QString::fromLatin1(r.components[k].first) : QString())
          << "slot " << k + 1;
      EXPECT_EQ(parts[k].second, used ? r.components[k].second : 0.0f) << "slot " << k + 1;
    }
  }
}

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
