// The registries of the expression parser: names, registration, containers
// that go away, arrays, and the update lists.
#include "ParserTestSupport.h"

#include <QCoreApplication>
#include <memory>

namespace {

class ParserRegistry : public TRegistryTest
{
};

TEST_F(ParserRegistry, GetAdditionIsTheDottedOwnerPath)
{
  EXPECT_EQ(GetAddition(nullptr), QString());
  QObject Form;
  Form.setObjectName("Form1");
  auto* Graph = new QObject(&Form);
  Graph->setObjectName("Graph1");
  auto* Series = new QObject(Graph);
  Series->setObjectName("Series1");
  EXPECT_EQ(GetAddition(Series), QStringLiteral("Form1.Graph1.Series1."));
  EXPECT_EQ(GetAddition(&Form), QStringLiteral("Form1."));
  Graph->setObjectName(QString());
  EXPECT_EQ(GetAddition(Series), QStringLiteral(".")); // an unnamed owner empties the chain
  // The application object is not part of the path.
  QObject Top(QCoreApplication::instance());
  Top.setObjectName("Top");
  EXPECT_EQ(GetAddition(&Top), QStringLiteral("Top."));
}

TEST_F(ParserRegistry, VariablesAreFoundByFullNameWithoutRegardToCase)
{
  QObject Form;
  Form.setObjectName("Form1");
  TTestPublisher Fit("Fit1", &Form);
  double Slope = 2.5;
  AddVariableToList("Slope", "The slope m of the regression line Y=a+mX", &Fit,
                    GlobalVariableList(), &Slope);
  TGvFunctionParser P;
  P.SetExpression("form1.FIT1.slope*2");
  EXPECT_EQ(P.GetResult(), 5);
  Slope = 3; // read at every evaluation, through the guard of its container
  EXPECT_EQ(P.GetResult(), 6);
  EXPECT_EQ(ErrorOf([&] { P.SetExpression("Fit1.Slope"); }),
            QStringLiteral("Parsing error in function:\rFIT1.SLOPE"));
  RemoveFromGlobalLists(&Fit);
  EXPECT_EQ(ErrorOf([&] { P.SetExpression("Form1.Fit1.Slope"); }),
            QStringLiteral("Parsing error in function:\rFORM1.FIT1.SLOPE"));
}

TEST_F(ParserRegistry, RegistrationUpdatesOrAppendsAndRemovalKeepsOrder)
{
  QObject A, B;
  A.setObjectName("A");
  B.setObjectName("B");
  TGvVariableList& L = GlobalVariableList();
  const qsizetype Before = L.Count();
  AddVariableToList("X", "first", &A, L, [] { return 1.0; });
  AddVariableToList("Y", "", &B, L, [] { return 2.0; });
  AddVariableToList("Z", "", &A, L, [] { return 3.0; });
  AddVariableToList("x", "second", &A, L, [] { return 4.0; }); // same container, same Id
  AddVariableToList("X", "", &B, L, [] { return 5.0; });       // another container
  ASSERT_EQ(L.Count(), Before + 4);
  EXPECT_EQ(L.Records()[size_t(Before)].Comment, QStringLiteral("second"));
  EXPECT_EQ(L.Find("a.X")->AGetter(), 4);
  EXPECT_EQ(L.Find("B.X")->AGetter(), 5);

  RemoveFromVariablesList(&A, L);
  ASSERT_EQ(L.Count(), Before + 2);
  EXPECT_EQ(L.Records()[size_t(Before)].Id, QStringLiteral("Y"));
  EXPECT_EQ(L.Records()[size_t(Before) + 1].Id, QStringLiteral("X"));
  RemoveFromGlobalLists(&B);
  EXPECT_EQ(L.Count(), Before);

  AddFunctionToList(
      "Twice", "", [](double X) { return 2 * X; }, GlobalFunctionList());
  AddFunctionToList(
      "TWICE", "", [](double X) { return 3 * X; }, GlobalFunctionList());
  EXPECT_EQ(ParseAndEvaluate("twice(2)").Value, 6);
  // Functions are process-wide; take it out again by hand.
  TGvFunctionList Kept;
  for (const TGvFunctionRec& R : GlobalFunctionList().Records())
    if (R.Id != "TWICE") Kept.Put(R);
  GlobalFunctionList() = Kept;
}

// A record whose container is destroyed is dropped and never called; a tree
// that read from it refuses to evaluate instead of calling into freed memory.
TEST_F(ParserRegistry, DestroyedContainerIsNeverCalled)
{
  auto Calls = std::make_shared<int>(0);
  auto Source = std::make_unique<QObject>();
  Source->setObjectName("Src");
  const qsizetype Before = GlobalVariableList().Count();
  AddVariableToList("V", "", Source.get(), GlobalVariableList(), [Calls] {
    ++*Calls;
    return 7.0;
  });
  AddStringToList("S", "", Source.get(), GlobalStringList(), [Calls] {
    ++*Calls;
    return QStringLiteral("text");
  });
  TGvFunctionParser P;
  P.SetExpression("Src.V+1");
  EXPECT_EQ(P.GetResult(), 8);
  EXPECT_EQ(ParseVariables("<%Src.S%>", nullptr), QStringLiteral("text"));
  EXPECT_EQ(*Calls, 2);

  Source.reset();
  const QString Gone =
      QStringLiteral("Expression refers to a value of an object that no longer exists");
  EXPECT_EQ(ErrorOf([&] { P.GetResult(); }), Gone);
  EXPECT_EQ(ErrorOf([&] { P.StartNode()->GetResult(); }), Gone);
  EXPECT_EQ(GlobalVariableList().Count(), Before);
  EXPECT_EQ(ErrorOf([&] { ParseVariables("<%Src.S%>", nullptr); }),
            QStringLiteral("Parsing error in function:\rSRC.S"));
  EXPECT_EQ(*Calls, 2);
  // Setting the same text again parses again, and finds nothing now.
  EXPECT_EQ(ErrorOf([&] { P.SetExpression("Src.V+1"); }),
            QStringLiteral("Parsing error in function:\rSRC.V"));
}

// A chart component is no longer asked once its destructor has begun.
TEST_F(ParserRegistry, ComponentBeingDestroyedIsNotCalled)
{
  struct TSeen
  {
    QString Error;
    bool Found = true;
  };
  class TDying : public TGvComponent
  {
  public:
    TDying(TGvFunctionParser& P, TSeen& S) : FParser(P), FSeen(S) {}
    ~TDying() override
    {
      BeginDestroy();
      FSeen.Error = ErrorOf([this] { FParser.GetResult(); });
      FSeen.Found = GlobalVariableList().Find("Dying.V") != nullptr;
    }

  private:
    TGvFunctionParser& FParser;
    TSeen& FSeen;
  };
  TGvFunctionParser P;
  TSeen Seen;
  auto* D = new TDying(P, Seen);
  D->SetName("Dying");
  AddVariableToList("V", "", D, GlobalVariableList(), [D] { return D->Name().size() * 1.0; });
  P.SetExpression("Dying.V");
  EXPECT_EQ(P.GetResult(), 5);
  delete D;
  EXPECT_EQ(Seen.Error,
            QStringLiteral("Expression refers to a value of an object that no longer exists"));
  EXPECT_FALSE(Seen.Found);
}

TEST_F(ParserRegistry, SameTextAfterAFailedParseParsesAgain)
{
  TGvFunctionParser P;
  EXPECT_EQ(ErrorOf([&] { P.SetExpression("Late.V*2"); }),
            QStringLiteral("Parsing error in function:\rLATE.V"));
  QObject Late;
  Late.setObjectName("Late");
  AddVariableToList("V", "", &Late, GlobalVariableList(), [] { return 4.0; });
  P.SetExpression("Late.V*2");
  EXPECT_EQ(P.GetResult(), 8);
  // Once parsed, the same text (blanks aside) is not parsed again.
  AddVariableToList("V", "", &Late, GlobalVariableList(), [] { return 5.0; });
  P.SetExpression(" Late.V * 2 ");
  EXPECT_EQ(P.GetResult(), 8);
  P.SetExpression("Late.V*2+0");
  EXPECT_EQ(P.GetResult(), 10);
}

TEST_F(ParserRegistry, EvaluatingItselfIsRefused)
{
  QObject Source;
  Source.setObjectName("Src");
  TGvFunctionParser P;
  AddVariableToList("Self", "", &Source, GlobalVariableList(), [&P] { return P.GetResult(); });
  P.SetExpression("Src.Self+1");
  EXPECT_EQ(ErrorOf([&] { P.GetResult(); }), QStringLiteral("Expression refers to itself"));
  EXPECT_EQ(ErrorOf([&] { P.GetResult(); }), QStringLiteral("Expression refers to itself"));
}

// ---- Arrays ----

class ParserArrays : public TRegistryTest
{
protected:
  void SetUp() override
  {
    TRegistryTest::SetUp();
    FFit = std::make_unique<TTestPublisher>("Fit");
    AddArrayToList(
        "Coefficients", "Coefficients of the fitted line", FFit.get(), GlobalArrayList(),
        [this](int I) { return FValues.at(size_t(I)); }, [this] { return int(FValues.size()); });
    AddArrayToList("Open", "", FFit.get(), GlobalArrayList(), [](int I) { return I * 10.0; });
  }
  void TearDown() override
  {
    FFit.reset();
    TRegistryTest::TearDown();
  }
  std::vector<double> FValues{10, 20, 30};
  std::unique_ptr<TTestPublisher> FFit;
};

struct TArrayCase
{
  const char* Expression;
  double Value;
  const char* Error;
};

void PrintTo(const TArrayCase& C, std::ostream* Os)
{
  *Os << '"' << C.Expression << '"';
}

class ParserArrayIndex : public ParserArrays, public ::testing::WithParamInterface<TArrayCase>
{
};

TEST_P(ParserArrayIndex, IsRoundedAndRangeChecked)
{
  const TParsed R = ParseAndEvaluate(QString::fromUtf8(GetParam().Expression));
  if (GetParam().Error) {
    EXPECT_EQ(R.Error, QString::fromUtf8(GetParam().Error));
  } else {
    ASSERT_TRUE(R.Ok) << R.Error.toStdString();
    EXPECT_EQ(R.Value, GetParam().Value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Elements, ParserArrayIndex,
    ::testing::Values(TArrayCase{"Fit.Coefficients(1)", 20, nullptr},
                      TArrayCase{"fit.coefficients[1+1]*2", 60, nullptr},
                      TArrayCase{"Fit.Coefficients(0.5)", 10, nullptr}, // halves to even
                      TArrayCase{"Fit.Coefficients(1.5)", 30, nullptr},
                      TArrayCase{"Fit.Coefficients(2.5)", 30, nullptr},
                      TArrayCase{"Fit.Coefficients(-0.4)", 10, nullptr},
                      TArrayCase{"Fit.Coefficients(3)", 0, "i=3 index out of range"},
                      TArrayCase{"Fit.Coefficients(-1)", 0, "i=-1 index out of range"},
                      TArrayCase{"Fit.Coefficients(5E9)", 0, "i=5000000000 index out of range"},
                      TArrayCase{"Fit.Coefficients(1E300)", 0, "Invalid floating point operation"},
                      TArrayCase{"Fit.Open(7)", 70, nullptr},
                      TArrayCase{"Fit.Open(-2)", 0, "i=-2 index out of range"},
                      TArrayCase{"Fit.Coefficients()", 0, "Parsing error in function:\r"},
                      TArrayCase{"Coefficients(1)", 0,
                                 "Parsing error in function:\rCOEFFICIENTS(1)"}));

TEST_F(ParserArrays, DestroyedContainerIsNeverCalled)
{
  TGvFunctionParser P;
  P.SetExpression("Fit.Coefficients(2)");
  EXPECT_EQ(P.GetResult(), 30);
  FFit.reset();
  EXPECT_EQ(ErrorOf([&] { P.GetResult(); }),
            QStringLiteral("Expression refers to a value of an object that no longer exists"));
}

// ---- Update lists ----

TEST_F(ParserRegistry, ShowersJoinTheUpdateListOfWhatTheyUse)
{
  TTestPublisher Series("Series1");
  TTestShower Label("Label1"), Other;
  double Value = 1;
  AddVariableToList("Value", "", &Series, GlobalVariableList(), &Value);
  AddStringToList("Caption", "", &Series, GlobalStringList(), [] { return QStringLiteral("S"); });

  TGvFunctionParser P(&Label);
  P.SetExpression("Series1.Value");
  P.SetExpression("Series1.Value*2");
  EXPECT_EQ(ParseVariables("<%Series1.Caption%>", &Other), QStringLiteral("S"));
  EXPECT_EQ(ParseVariables("<%Series1.Value;0.0%>", &Other), QStringLiteral("1.0"));
  TGvUpdateList List = Series.ObjectsToUpdate();
  ASSERT_EQ(List.size(), 2u); // each once
  EXPECT_EQ(List[0].data(), &Label);
  EXPECT_EQ(List[1].data(), &Other);

  // A parser without an owner, or an expression not using the series, adds nothing.
  TGvFunctionParser Anonymous;
  Anonymous.SetExpression("Series1.Value");
  TTestShower Third;
  TGvFunctionParser Unrelated(&Third);
  Unrelated.SetExpression("1+1");
  EXPECT_EQ(Series.ObjectsToUpdate().size(), 2u);
}

TEST_F(ParserRegistry, UpdateVariablesObjectsUpdatesLiveShowersInOrder)
{
  TTestPublisher Series("Series1");
  auto First = std::make_unique<TTestShower>();
  TTestShower Second;
  QObject NotAShower;
  auto Gone = std::make_unique<TTestShower>();
  Series.AddObjectToUpdate(First.get());
  Series.AddObjectToUpdate(&NotAShower);
  Series.AddObjectToUpdate(Gone.get());
  Series.AddObjectToUpdate(&Second);
  Series.AddObjectToUpdate(First.get());
  Gone.reset();
  ASSERT_EQ(Series.ObjectsToUpdate().size(), 3u);
  UpdateVariablesObjects(Series.ObjectsToUpdate());
  EXPECT_EQ(First->Updates, 1);
  EXPECT_EQ(Second.Updates, 1);
  // An update that destroys a later item: that one is skipped.
  class TKiller : public TTestShower
  {
  public:
    std::unique_ptr<TTestShower>* Victim = nullptr;
    void UpdateVariables() override { Victim->reset(); }
  } Killer;
  Killer.Victim = &First;
  TGvUpdateList List{&Killer, First.get()};
  UpdateVariablesObjects(List);
  EXPECT_EQ(First, nullptr);
}

} // namespace
