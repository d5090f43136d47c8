// The expression parser: grammar, arithmetic, the tree, long and deep input.
#include "ParserTestSupport.h"

#include "controls/GvStringFunctions.h"

#include <cmath>
#include <numbers>

namespace {

struct TGrammarCase
{
  const char* Expression;
  double Value;
  const char* Error; // nullptr: Value is expected
};

void PrintTo(const TGrammarCase& C, std::ostream* Os)
{
  *Os << '"' << C.Expression << '"';
}

class GrammarTest : public ::testing::TestWithParam<TGrammarCase>
{
};

TEST_P(GrammarTest, ValueOrError)
{
  const TGrammarCase& C = GetParam();
  const TParsed R = ParseAndEvaluate(QString::fromUtf8(C.Expression));
  if (C.Error) {
    EXPECT_FALSE(R.Ok) << "value " << R.Value;
    EXPECT_EQ(R.Error, QString::fromUtf8(C.Error));
  } else {
    ASSERT_TRUE(R.Ok) << R.Error.toStdString();
    EXPECT_EQ(R.Value, C.Value);
  }
}

const char* const cUnreadable = "Parsing error in function:\r";

INSTANTIATE_TEST_SUITE_P(
    Examples, GrammarTest,
    ::testing::Values(
        // The documented examples.
        TGrammarCase{"2+3*4", 14, nullptr}, TGrammarCase{"(2+3)*4", 20, nullptr},
        TGrammarCase{"[2+3]*4", 20, nullptr}, TGrammarCase{" 2 + 3 ", 5, nullptr},
        TGrammarCase{"10-4-3", 3, nullptr}, TGrammarCase{"2^3^2", 64, nullptr},
        TGrammarCase{"-2^2", -4, nullptr}, TGrammarCase{"2^-1", 0.5, nullptr},
        TGrammarCase{"2*-3", 0, cUnreadable}, TGrammarCase{"1.5E-3", 0.0015, nullptr},
        TGrammarCase{"2+1E-3", 0, "Parsing error in function:\r2+1E-3"},
        TGrammarCase{"sin(pi/2)", 1, nullptr}, TGrammarCase{"e", 2.71828182845905, nullptr},
        TGrammarCase{"Round(2.5)", 2, nullptr}, TGrammarCase{"Round(3.5)", 4, nullptr},
        TGrammarCase{"(1+2", 0, "1 closing brackets missing"},
        TGrammarCase{"1+2)", 0, "1 opening brackets missing"},
        // Association and precedence around them.
        TGrammarCase{"8/4/2", 1, nullptr}, TGrammarCase{"2^3*2", 16, nullptr},
        TGrammarCase{"2*3^2", 18, nullptr}, TGrammarCase{"2*(3+4)^2", 98, nullptr},
        TGrammarCase{"-2*3", -6, nullptr}, TGrammarCase{"-2^-2", -0.25, nullptr},
        TGrammarCase{"(-2)^2", 4, nullptr}, TGrammarCase{"(-2)^3", -8, nullptr},
        TGrammarCase{"2^+3", 8, nullptr}, TGrammarCase{"+3", 3, nullptr},
        TGrammarCase{"2^-1-1", -0.5, nullptr}, TGrammarCase{"((2))", 2, nullptr},
        TGrammarCase{"pI*0", 0, nullptr}, TGrammarCase{"SQR(3)", 9, nullptr},
        // Numbers and their exponents.
        TGrammarCase{"2*1E-3", 0.002, nullptr}, TGrammarCase{"1E-3*1E-3", 1E-3 * 1E-3, nullptr},
        TGrammarCase{"1E+3+1", 1001, nullptr}, TGrammarCase{"2e3", 2000, nullptr},
        TGrammarCase{"1E-400", 0, nullptr}, TGrammarCase{".5", 0.5, nullptr},
        TGrammarCase{"1E400", 0, "Parsing error in function:\r1E400"},
        TGrammarCase{"1,5", 0, "Parsing error in function:\r1,5"},
        // A true "+" left of an exponent's sign would end up inside the
        // product, (1+2)*1E-3: refused like "2+1E-3".
        TGrammarCase{"1+2*1E-3", 0, "Parsing error in function:\r1+2*1E-3"},
        TGrammarCase{"1+2*1E-3+4", 0, "Parsing error in function:\r1+2*1E-3"},
        // Unreadable text.
        TGrammarCase{"3+", 0, cUnreadable}, TGrammarCase{"--2", 0, cUnreadable},
        TGrammarCase{"x", 0, "Parsing error in function:\rX"},
        TGrammarCase{"2(3)", 0, "Parsing error in function:\r2(3)"},
        // A function reads from its "(" to the last character.
        TGrammarCase{"sin(1)(2)", 0, "Parsing error in function:\r1)(2"},
        TGrammarCase{"()", 0, cUnreadable}, TGrammarCase{"2**3", 0, cUnreadable},
        // Crossed but balanced brackets: the part that cannot be read.
        TGrammarCase{")(", 0, "Parsing error in function:\r)("},
        TGrammarCase{"())(", 0, "Parsing error in function:\r))"},
        TGrammarCase{")1+2(", 0, "Parsing error in function:\r)1+2("},
        TGrammarCase{"((1)", 0, "1 closing brackets missing"}));

struct TFunctionCase
{
  const char* Expression;
  double Value;
};

void PrintTo(const TFunctionCase& C, std::ostream* Os)
{
  *Os << '"' << C.Expression << '"';
}

class FunctionTest : public ::testing::TestWithParam<TFunctionCase>
{
};

TEST_P(FunctionTest, Value)
{
  const TParsed R = ParseAndEvaluate(QString::fromUtf8(GetParam().Expression));
  ASSERT_TRUE(R.Ok) << R.Error.toStdString();
  EXPECT_DOUBLE_EQ(R.Value, GetParam().Value);
}

INSTANTIATE_TEST_SUITE_P(
    Globals, FunctionTest,
    ::testing::Values(
        TFunctionCase{"Abs(-2.5)", 2.5}, TFunctionCase{"ArcCos(0.5)", std::acos(0.5)},
        TFunctionCase{"ArcCosh(2)", std::acosh(2.0)},
        TFunctionCase{"ArcSin(1)", std::numbers::pi / 2},
        TFunctionCase{"ArcSinh(1)", std::asinh(1.0)},
        TFunctionCase{"ArcTan(1)", std::numbers::pi / 4},
        TFunctionCase{"ArcTanh(0.5)", std::atanh(0.5)}, TFunctionCase{"Ceil(1.2)", 2},
        TFunctionCase{"Ceil(-1.5)", -1}, TFunctionCase{"Cos(0)", 1},
        TFunctionCase{"Cosh(1)", std::cosh(1.0)}, TFunctionCase{"Cotan(1)", 1 / std::tan(1.0)},
        TFunctionCase{"DegToRad(180)", std::numbers::pi}, TFunctionCase{"Exp(1)", std::exp(1.0)},
        TFunctionCase{"Floor(-1.5)", -2}, TFunctionCase{"Floor(1.9)", 1},
        TFunctionCase{"Frac(-2.75)", -0.75}, TFunctionCase{"Int(-2.75)", -2},
        TFunctionCase{"Ln(e)", std::log(2.71828182845905)}, TFunctionCase{"Lg10(1000)", 3},
        TFunctionCase{"Lg(0.01)", -2}, TFunctionCase{"Lg2(8)", 3},
        TFunctionCase{"RadToDeg(pi)", 180}, TFunctionCase{"Round(-2.5)", -2},
        TFunctionCase{"Round(-3.5)", -4}, TFunctionCase{"Round(0.5)", 0},
        TFunctionCase{"Sin(pi/6)", std::sin(std::numbers::pi / 6)},
        TFunctionCase{"Sinh(1)", std::sinh(1.0)}, TFunctionCase{"Sqrt(16)", 4},
        TFunctionCase{"Sqr(-3)", 9}, TFunctionCase{"Tan(1)", std::tan(1.0)},
        TFunctionCase{"Tanh(1)", std::tanh(1.0)}, TFunctionCase{"Ceil(2147483647)", 2147483647.0},
        TFunctionCase{"Round(4E18)", 4E18}));

TEST(ParserFunctions, AreRegisteredInOrderWithTheirComments)
{
  QStringList Ids;
  for (const TGvFunctionRec& R : GlobalFunctionList().Records()) Ids << R.Id;
  EXPECT_EQ(Ids.join(u' '), QStringLiteral("Abs ArcCos ArcCosh ArcSin ArcSinh ArcTan ArcTanh Ceil "
                                           "Cos Cosh Cotan DegToRad Exp Floor Frac Int Ln Lg10 "
                                           "Lg Lg2 RadToDeg Round Sin Sinh Sqrt Sqr Tan Tanh"));
  EXPECT_EQ(GlobalFunctionList().Find("ceil")->Comment,
            QStringLiteral("The smallest integer greater than or equal to its argument"));
  EXPECT_EQ(GlobalFunctionList().Find("RADTODEG")->Comment,
            QStringLiteral("Convert angle radiant to degrees"));
}

// Arithmetic that has no value raises instead of returning an infinity or NaN;
// a result too small for a double is 0.
struct TMathCase
{
  const char* Expression;
  const char* Error; // nullptr: the value is 0 (underflow)
};

void PrintTo(const TMathCase& C, std::ostream* Os)
{
  *Os << '"' << C.Expression << '"';
}

class MathErrorTest : public ::testing::TestWithParam<TMathCase>
{
};

TEST_P(MathErrorTest, RaisesOrUnderflowsToZero)
{
  const TMathCase& C = GetParam();
  TGvFunctionParser P;
  P.SetExpression(QString::fromUtf8(C.Expression));
  if (!C.Error) {
    EXPECT_EQ(P.GetResult(), 0.0);
    return;
  }
  try {
    const double V = P.GetResult();
    ADD_FAILURE() << "no error, value " << V;
  } catch (const EMathError& E) {
    EXPECT_EQ(E.Message(), QString::fromUtf8(C.Error));
  }
  // The tree tells the same.
  EXPECT_EQ(ErrorOf([&] { P.StartNode()->GetResult(); }), QString::fromUtf8(C.Error));
}

const char* const cZero = "Floating point division by zero";
const char* const cInvalid = "Invalid floating point operation";
const char* const cOverflow = "Floating point overflow";

INSTANTIATE_TEST_SUITE_P(
    Traps, MathErrorTest,
    ::testing::Values(TMathCase{"1/0", cZero}, TMathCase{"-1/(2-2)", cZero},
                      TMathCase{"0/0", cInvalid}, TMathCase{"Ln(0)", cZero},
                      TMathCase{"Ln(-1)", cInvalid}, TMathCase{"Lg(0)", cZero},
                      TMathCase{"Lg10(-2)", cInvalid}, TMathCase{"Lg2(-1)", cInvalid},
                      TMathCase{"Sqrt(-1)", cInvalid}, TMathCase{"ArcSin(2)", cInvalid},
                      TMathCase{"ArcCos(-1.5)", cInvalid}, TMathCase{"ArcCosh(0.5)", cInvalid},
                      TMathCase{"ArcTanh(1)", cZero}, TMathCase{"ArcTanh(-2)", cInvalid},
                      TMathCase{"Cotan(0)", cZero}, TMathCase{"0^-1", cZero},
                      TMathCase{"(-8)^(1/3)", cInvalid}, TMathCase{"Exp(1000)", cOverflow},
                      TMathCase{"Sinh(1000)", cOverflow}, TMathCase{"Cosh(-1000)", cOverflow},
                      TMathCase{"1E300*1E300", cOverflow}, TMathCase{"1E308+1E308", cOverflow},
                      TMathCase{"-1E308-1E308", cOverflow}, TMathCase{"1E300/1E-300", cOverflow},
                      TMathCase{"10^400", cOverflow}, TMathCase{"1E200^2", cOverflow},
                      TMathCase{"Sqr(1E200)", cOverflow}, TMathCase{"RadToDeg(1E307)", cOverflow},
                      TMathCase{"Ceil(3E9)", cInvalid}, TMathCase{"Floor(-3E9)", cInvalid},
                      TMathCase{"Round(1E19)", cInvalid}, TMathCase{"Exp(-1000)", nullptr},
                      TMathCase{"1E-300*1E-300", nullptr}, TMathCase{"1E-300/1E300", nullptr},
                      TMathCase{"2^-2000", nullptr}, TMathCase{"1E-200^2", nullptr}));

TEST(Parser, WithoutAValidExpressionRaisesNoValidExpression)
{
  TGvFunctionParser P;
  EXPECT_EQ(ErrorOf([&] { P.GetResult(); }), QStringLiteral("No valid expression defined"));
  P.SetExpression("2+3");
  EXPECT_EQ(P.GetResult(), 5);
  // A failed parse leaves no tree behind, not the old one.
  EXPECT_EQ(ErrorOf([&] { P.SetExpression("2+"); }),
            QStringLiteral("Parsing error in function:\r"));
  EXPECT_EQ(P.StartNode(), nullptr);
  EXPECT_EQ(ErrorOf([&] { P.GetResult(); }), QStringLiteral("No valid expression defined"));
  try {
    P.GetResult();
  } catch (const EMathError&) {
    ADD_FAILURE() << "not a math error";
  } catch (const EExternal&) {
  }
  // A blank expression has no value either.
  P.SetExpression("2+3");
  P.SetExpression("   ");
  EXPECT_EQ(ErrorOf([&] { P.GetResult(); }), QStringLiteral("No valid expression defined"));
}

TEST(Parser, StoresTheCleanedExpression)
{
  TGvFunctionParser P;
  P.SetExpression(" [2 + 3] * sin( 0 ) ");
  EXPECT_EQ(P.Expression(), QStringLiteral("(2+3)*sin(0)"));
  EXPECT_EQ(P.GetResult(), 0);
}

TEST(Parser, ReadsNumbersWithTheLocaleSeparator)
{
  TFormatSettingsOverride Comma(FormatSettingsWithDecimal(u','));
  EXPECT_EQ(ParseAndEvaluate("1,5*2").Value, 3);
  EXPECT_EQ(ParseAndEvaluate("1.5").Error, QStringLiteral("Parsing error in function:\r1.5"));
}

// The tree as built: kinds, operands in order, and its own evaluation.
TEST(ParserTree, HasTheNodesOfTheGrammar)
{
  TGvFunctionParser P;
  P.SetExpression("10-4-3");
  const TGvNode* Root = P.StartNode();
  ASSERT_EQ(Root->Token(), TGvArg::TwoPrm);
  EXPECT_EQ(Root->NodeTwo()->Token(), TGvArg::Constant);
  EXPECT_EQ(Root->NodeTwo()->AConstant(), 3);
  ASSERT_EQ(Root->NodeOne()->Token(), TGvArg::TwoPrm); // (10-4)-3
  EXPECT_EQ(Root->NodeOne()->NodeOne()->AConstant(), 10);
  EXPECT_EQ(Root->NodeOne()->NodeTwo()->AConstant(), 4);
  EXPECT_EQ(Root->GetResult(), 3);
  EXPECT_EQ(Root->NodeOne()->GetResult(), 6); // a subtree evaluates alone

  P.SetExpression("-(pi)");
  ASSERT_EQ(P.StartNode()->Token(), TGvArg::OnePrm);
  const TGvNode* Bracket = P.StartNode()->NodeOne();
  ASSERT_EQ(Bracket->Token(), TGvArg::OnePrm);
  EXPECT_EQ(Bracket->NodeOne()->Token(), TGvArg::Getter);
  EXPECT_EQ(Bracket->NodeTwo(), nullptr);
  EXPECT_EQ(P.StartNode()->GetResult(), -std::numbers::pi);
}

TEST(ParserTree, EvaluatesLikeTheProgram)
{
  double X = 0.7;
  for (const char* Text : {"sin(x)*exp(-x/10)+x^2/3", "2^3^2-x", "-(x+1)^2/(1-x)",
                           "Round(x*10)/Ceil(x+5)+Frac(-x)", "((x))*((2))^-x"}) {
    TGvFunctionParser P;
    P.BindVariable("x", &X);
    P.SetExpression(Text);
    for (X = -3.3; X < 3; X += 0.9) {
      if (std::fabs(X - 1) < 1e-9) continue;
      EXPECT_EQ(P.StartNode()->GetResult(), P.GetResult()) << Text << " at " << X;
    }
  }
}

// ---- Variables of the parser ----

TEST(ParserVariables, PiEAndRandom)
{
  TGvFunctionParser P;
  EXPECT_EQ(P.VariablesList.Count(), 3);
  P.SetExpression("PI");
  EXPECT_EQ(P.GetResult(), 3.141592653589793);
  P.SetExpression("E");
  EXPECT_EQ(P.GetResult(), 2.71828182845905);
  EXPECT_EQ(P.VariablesList.Records()[2].Comment,
            QStringLiteral("Returns a random number within the range 0 <= X < 1"));
  P.SetExpression("random");
  double Previous = -1;
  for (int I = 0; I < 100; ++I) {
    const double R = P.GetResult();
    EXPECT_GE(R, 0.0);
    EXPECT_LT(R, 1.0);
    EXPECT_NE(R, Previous);
    Previous = R;
  }
}

// Each parser has its own generator: a parser created or used in between does
// not disturb another's sequence.
TEST(ParserVariables, RandomBelongsToEachParser)
{
  TGvFunctionParser A, B;
  A.SetExpression("Random");
  B.SetExpression("Random");
  A.SetRandomSeed(42);
  B.SetRandomSeed(42);
  std::vector<double> FromA, FromB;
  for (int I = 0; I < 5; ++I) FromA.push_back(A.GetResult());
  for (int I = 0; I < 5; ++I) {
    TGvFunctionParser Other;
    Other.SetExpression("Random");
    Other.GetResult();
    FromB.push_back(B.GetResult());
  }
  EXPECT_EQ(FromA, FromB);
}

TEST(ParserVariables, BoundDoubleIsReadAtEveryEvaluation)
{
  double X = 3;
  TGvFunctionParser P;
  P.BindVariable("X", &X, "X-Value");
  P.SetExpression("x^2+1");
  EXPECT_EQ(P.GetResult(), 10);
  X = 4;
  EXPECT_EQ(P.GetResult(), 17);
  X = -1E200;
  EXPECT_EQ(ErrorOf([&] { P.GetResult(); }), QStringLiteral("Floating point overflow"));
}

// A fit puts its coefficient E in place of the constant e; the parser's own
// functions come before the global ones.
TEST(ParserVariables, OwnListsComeFirst)
{
  double Coefficient = 5;
  TGvFunctionParser P;
  AddVariableToList("E", "Variable e", nullptr, P.VariablesList, &Coefficient);
  EXPECT_EQ(P.VariablesList.Count(), 3);
  AddFunctionToList(
      "Sin", "", [](double) { return 42.0; }, P.FunctionsList);
  P.SetExpression("E*2+sin(0)");
  EXPECT_EQ(P.GetResult(), 52);
  P.SetExpression("exp(0)");
  EXPECT_EQ(P.GetResult(), 1);
}

// ---- Long and deep input ----

QString Repeated(const QString& Head, const QString& Term, int N)
{
  QString S = Head;
  S.reserve(Head.size() + Term.size() * N);
  for (int I = 0; I < N; ++I) S += Term;
  return S;
}

// Chains of 100 000 terms parse and evaluate in linear time without deep
// recursion (this case runs under the sanitizers in CI), and free again.
TEST(ParserLimits, LongChains)
{
  const int N = 100000;
  TGvFunctionParser P;
  P.SetExpression(Repeated("1", "+1", N - 1));
  EXPECT_EQ(P.GetResult(), N);
  EXPECT_EQ(P.StartNode()->GetResult(), N);
  P.SetExpression(Repeated("0", "-1", N - 1));
  EXPECT_EQ(P.GetResult(), -(N - 1));
  P.SetExpression(Repeated("3", "*1/1", N / 2));
  EXPECT_EQ(P.GetResult(), 3);
  P.SetExpression(Repeated("2", "^1", N - 1));
  EXPECT_EQ(P.GetResult(), 2);
  EXPECT_EQ(P.StartNode()->GetResult(), 2);
  P.SetExpression(Repeated("1", "+2*3^1-5", N / 4));
  EXPECT_EQ(P.GetResult(), 1 + (N / 4));
  EXPECT_EQ(ErrorOf([&] { P.SetExpression(Repeated("1", "+1", N) + "+"); }),
            QStringLiteral("Parsing error in function:\r"));
}

TEST(ParserLimits, NestingIsCapped)
{
  const int Cap = TGvFunctionParser::MaxNesting;
  const QString Deepest = QString(Cap, u'(') + "1" + QString(Cap, u')');
  TGvFunctionParser P;
  P.SetExpression(Deepest);
  EXPECT_EQ(P.GetResult(), 1);
  P.SetExpression(Repeated("", "sin(", Cap) + "0" + QString(Cap, u')'));
  EXPECT_EQ(P.GetResult(), 0);
  P.SetExpression(Repeated("", "1+(", Cap) + "1" + QString(Cap, u')'));
  EXPECT_EQ(P.GetResult(), Cap + 1);

  const QString TooDeep =
      QStringLiteral("Expression nested too deeply: more than 128 levels of brackets");
  EXPECT_EQ(ErrorOf([&] { P.SetExpression("(" + Deepest + ")"); }), TooDeep);
  EXPECT_EQ(ErrorOf([&] { P.SetExpression(QString(100000, u'(') + "1" + QString(100000, u')')); }),
            TooDeep);
  EXPECT_EQ(ErrorOf([&] {
              P.SetExpression(Repeated("", "sin(2*", 100000) + "1" + QString(100000, u')'));
            }),
            TooDeep);
  EXPECT_EQ(P.StartNode(), nullptr);
}

} // namespace
