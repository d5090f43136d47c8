// Shared by the tests of the expression parser.
#pragma once

#include "chart/analysis/GvParseFkt.h"

#include <QObject>
#include <QString>
#include <gtest/gtest.h>
#include <ostream>
#include <utility>
#include <vector>

inline void PrintTo(const QString& S, std::ostream* Os)
{
  *Os << '"' << S.toStdString() << '"';
}

// The message of the chart error f raises, or "<no error>".
template <class F> QString ErrorOf(F f)
{
  try {
    f();
  } catch (const EGvError& e) {
    return e.Message();
  }
  return QStringLiteral("<no error>");
}

// The value of Expression, or the message of its error.
struct TParsed
{
  bool Ok = false;
  double Value = 0;
  QString Error;
};

inline TParsed ParseAndEvaluate(const QString& Expression)
{
  TParsed R;
  try {
    TGvFunctionParser P;
    P.SetExpression(Expression);
    R.Value = P.GetResult();
    R.Ok = true;
  } catch (const EGvError& e) {
    R.Error = e.Message();
  }
  return R;
}

// Every test that registers something checks that the registries are as they
// were when it started (the components it registered for are destroyed or
// removed by then).
class TRegistryTest : public ::testing::Test
{
protected:
  using TSnapshot = std::vector<std::pair<QString, const QObject*>>;

  template <class TList> static TSnapshot Snap(TList& List)
  {
    TSnapshot S;
    for (const auto& R : List.Records()) S.emplace_back(R.Id, R.Container.Get());
    return S;
  }
  static TSnapshot SnapFunctions()
  {
    TSnapshot S;
    for (const auto& R : GlobalFunctionList().Records())
      S.emplace_back(R.Id, reinterpret_cast<const QObject*>(R.AFunction));
    return S;
  }

  void SetUp() override
  {
    FFunctions = SnapFunctions();
    FVariables = Snap(GlobalVariableList());
    FStrings = Snap(GlobalStringList());
    FArrays = Snap(GlobalArrayList());
  }
  void TearDown() override
  {
    EXPECT_EQ(SnapFunctions(), FFunctions) << "global functions changed";
    EXPECT_EQ(Snap(GlobalVariableList()), FVariables) << "global variables left behind";
    EXPECT_EQ(Snap(GlobalStringList()), FStrings) << "global strings left behind";
    EXPECT_EQ(Snap(GlobalArrayList()), FArrays) << "global arrays left behind";
  }

private:
  TSnapshot FFunctions, FVariables, FStrings, FArrays;
};

// A component that keeps an update list, like a series.
class TTestPublisher : public QObject, public TGvUpdateListOwner
{
public:
  explicit TTestPublisher(const QString& Name, QObject* Owner = nullptr) : QObject(Owner)
  {
    setObjectName(Name);
  }
};

// An object that shows templates, like a rich label.
class TTestShower : public QObject, public TGvVariablesObject
{
public:
  explicit TTestShower(const QString& Name = QString(), QObject* Owner = nullptr) : QObject(Owner)
  {
    setObjectName(Name);
  }
  void UpdateVariables() override { ++Updates; }
  int Updates = 0;
};
