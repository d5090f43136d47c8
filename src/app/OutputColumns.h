// The output table's columns: which quantity goes into which grid column,
// under what title, with what format and width.
#pragma once

#include <QString>
#include <array>

enum class TProperty
{
  Time,
  Mode,
  Method,
  GasA,
  GasB,
  H2O,
  TOTg,
  GfracA,
  GfracB,
  GfracH2O,
  TOTm,
  MA,
  MB,
  MH2O,
  ppmA,
  ppmB,
  ppmH2O,
  logA,
  logB,
  logH2O
};
constexpr int PropertyCount = 20;

struct RColInfo
{
  QString Caption;
  QString Format; // date-time or number pattern
  int ColID = -1; // grid column; negative hides the quantity
  int ColW = 0;   // column width in pixels
};

// Indexed by TProperty.
class TColumnTable
{
public:
  RColInfo& operator[](TProperty q) { return FCols[static_cast<size_t>(q)]; }
  const RColInfo& operator[](TProperty q) const { return FCols[static_cast<size_t>(q)]; }
  RColInfo& operator[](int i) { return FCols.at(static_cast<size_t>(i)); }
  const RColInfo& operator[](int i) const { return FCols.at(static_cast<size_t>(i)); }

private:
  std::array<RColInfo, PropertyCount> FCols;
};

// The table as the program starts with it.
TColumnTable DefaultColumnTable();
