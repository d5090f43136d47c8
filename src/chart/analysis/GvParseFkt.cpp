#include "chart/analysis/GvParseFkt.h"

#include "chart/GvIO.h"
#include "controls/GvStringFunctions.h"

#include <QStringView>
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <numbers>

// ---- Errors ----------------------------------------------------------------

EInvalidOp::EInvalidOp() : EMathError(QStringLiteral("Invalid floating point operation")) {}
EZeroDivide::EZeroDivide() : EMathError(QStringLiteral("Floating point division by zero")) {}
EOverflow::EOverflow() : EMathError(QStringLiteral("Floating point overflow")) {}

namespace {

[[noreturn, gnu::noinline, gnu::cold]] void RaiseInvalidOp()
{
  throw EInvalidOp();
}

[[noreturn, gnu::noinline, gnu::cold]] void RaiseZeroDivide()
{
  throw EZeroDivide();
}

// A result that is not a finite number: NaN comes from an invalid operation,
// an infinity from an overflow (the zero divisions are caught before).
[[noreturn, gnu::noinline, gnu::cold]] void RaiseNonFinite(double R)
{
  if (std::isnan(R)) throw EInvalidOp();
  throw EOverflow();
}

[[noreturn, gnu::noinline, gnu::cold]] void RaiseSourceGone()
{
  throw EMathError(
      QStringLiteral("Expression refers to a value of an object that no longer exists"));
}

inline double Checked(double R)
{
  if (!std::isfinite(R)) [[unlikely]]
    RaiseNonFinite(R);
  return R;
}

// Rounding to the nearest integer, halves to even, whatever the rounding mode
// of the processor; non-finite values come back as they are.
double RoundHalfEvenValue(double X)
{
  if (!std::isfinite(X)) return X;
  double F = std::floor(X);
  const double D = X - F;
  if (D > 0.5 || (D == 0.5 && std::fmod(F, 2.0) != 0.0)) F += 1.0;
  return F;
}

constexpr double cTwoTo63 = 9223372036854775808.0;

// An integer function's result must fit a 32-bit signed integer.
double ToInt32(double R)
{
  if (!(R >= -2147483648.0 && R <= 2147483647.0)) RaiseInvalidOp();
  return R;
}

double CheckedLog(double X, double (*Log)(double))
{
  if (X == 0.0) RaiseZeroDivide();
  if (!(X > 0.0)) RaiseInvalidOp();
  return Checked(Log(X));
}

// ---- The global functions ----

double FnAbs(double X)
{
  return Checked(std::fabs(X));
}
double FnArcCos(double X)
{
  if (!(X >= -1.0 && X <= 1.0)) RaiseInvalidOp();
  return std::acos(X);
}
double FnArcCosh(double X)
{
  if (!(X >= 1.0)) RaiseInvalidOp();
  return Checked(std::acosh(X));
}
double FnArcSin(double X)
{
  if (!(X >= -1.0 && X <= 1.0)) RaiseInvalidOp();
  return std::asin(X);
}
double FnArcSinh(double X)
{
  return Checked(std::asinh(X));
}
double FnArcTan(double X)
{
  return Checked(std::atan(X));
}
double FnArcTanh(double X)
{
  if (X == 1.0 || X == -1.0) RaiseZeroDivide();
  if (!(X > -1.0 && X < 1.0)) RaiseInvalidOp();
  return std::atanh(X);
}
double FnCeil(double X)
{
  return ToInt32(std::ceil(X));
}
double FnCos(double X)
{
  return Checked(std::cos(X));
}
double FnCosh(double X)
{
  return Checked(std::cosh(X));
}
double FnCotan(double X)
{
  if (X == 0.0) RaiseZeroDivide();
  return Checked(1.0 / Checked(std::tan(X)));
}
double FnDegToRad(double X)
{
  return Checked(X * (std::numbers::pi / 180.0));
}
double FnExp(double X)
{
  return Checked(std::exp(X));
}
double FnFloor(double X)
{
  return ToInt32(std::floor(X));
}
double FnFrac(double X)
{
  double Whole = 0;
  return Checked(std::modf(Checked(X), &Whole));
}
double FnInt(double X)
{
  return Checked(std::trunc(X));
}
double FnLn(double X)
{
  return CheckedLog(X, [](double V) { return std::log(V); });
}
double FnLg10(double X)
{
  return CheckedLog(X, [](double V) { return std::log10(V); });
}
double FnLg2(double X)
{
  return CheckedLog(X, [](double V) { return std::log2(V); });
}
double FnRadToDeg(double X)
{
  return Checked(X * (180.0 / std::numbers::pi));
}
// A 64-bit integer result.
double FnRound(double X)
{
  const double R = RoundHalfEvenValue(X);
  if (!(R >= -cTwoTo63 && R < cTwoTo63)) RaiseInvalidOp();
  return R;
}
double FnSin(double X)
{
  return Checked(std::sin(X));
}
double FnSinh(double X)
{
  return Checked(std::sinh(X));
}
double FnSqrt(double X)
{
  if (X < 0.0) RaiseInvalidOp();
  return Checked(std::sqrt(X));
}
double FnSqr(double X)
{
  return Checked(X * X);
}
double FnTan(double X)
{
  return Checked(std::tan(X));
}
double FnTanh(double X)
{
  return Checked(std::tanh(X));
}

// ---- The operators ----

double OpIdentity(double X)
{
  return X;
}
double OpNegate(double X)
{
  return -X;
}
double OpAdd(double A, double B)
{
  return Checked(A + B);
}
double OpSubtract(double A, double B)
{
  return Checked(A - B);
}
double OpMultiply(double A, double B)
{
  return Checked(A * B);
}
inline double OpDivide(double A, double B)
{
  if (B == 0.0) [[unlikely]] {
    if (A == 0.0 || std::isnan(A)) RaiseInvalidOp();
    RaiseZeroDivide();
  }
  return Checked(A / B);
}
// Integral exponents of negative bases are allowed; x^2 is x*x exactly.
inline double OpPower(double A, double B)
{
  if (B == 2.0) return Checked(A * A);
  if (A == 0.0 && B < 0.0) RaiseZeroDivide();
  return Checked(std::pow(A, B));
}
double OpDivideFn(double A, double B)
{
  return OpDivide(A, B);
}
double OpPowerFn(double A, double B)
{
  return OpPower(A, B);
}

constexpr double cPi = 3.141592653589793;
constexpr double cE = 2.71828182845905;

} // namespace

// ---- Records and lists -------------------------------------------------------

TGvContainerRef::TGvContainerRef(const QObject* Container)
    : FObject(const_cast<QObject*>(Container)),
      FComponent(dynamic_cast<const TGvComponent*>(Container)), FGiven(Container != nullptr)
{
}

bool TGvContainerRef::Refers(const QObject* Container) const
{
  if (!Container) return !FGiven;
  return FGiven && FObject.data() == Container;
}

QString GetAddition(const QObject* Container)
{
  if (!Container) return QString();
  const QString Ref = GetComponentRef(Container);
  return Ref.isEmpty() ? QStringLiteral(".") : Ref + QLatin1Char('.');
}

void TGvFunctionList::Put(TGvFunctionRec Rec)
{
  for (TGvFunctionRec& R : FRecords)
    if (QString::compare(R.Id, Rec.Id, Qt::CaseInsensitive) == 0) {
      R = std::move(Rec);
      return;
    }
  FRecords.push_back(std::move(Rec));
}

const TGvFunctionRec* TGvFunctionList::Find(const QString& Id) const
{
  for (const TGvFunctionRec& R : FRecords)
    if (QString::compare(R.Id, Id, Qt::CaseInsensitive) == 0) return &R;
  return nullptr;
}

TGvParserRegistry& TGvParserRegistry::Instance()
{
  static TGvParserRegistry Registry;
  return Registry;
}

TGvParserRegistry::TGvParserRegistry()
{
  struct TEntry
  {
    const char* Id;
    TGvOnePrmFunction Fn;
    const char* Comment;
  };
  static const TEntry cFunctions[] = {
      {"Abs", FnAbs, "Absolute positive value"},
      {"ArcCos", FnArcCos, "Reciprocal of cosine"},
      {"ArcCosh", FnArcCosh, "Reciprocal of hyperbolic cosine"},
      {"ArcSin", FnArcSin, "Reciprocal of Sine"},
      {"ArcSinh", FnArcSinh, "Reciprocal of hyperbolic sine"},
      {"ArcTan", FnArcTan, "Reciprocal of tangent"},
      {"ArcTanh", FnArcTanh, "Reciprocal of hyperbolic tangent"},
      {"Ceil", FnCeil, "The smallest integer greater than or equal to its argument"},
      {"Cos", FnCos, "Cosine"},
      {"Cosh", FnCosh, "Hyperbolic cosine"},
      {"Cotan", FnCotan, "Cotangent"},
      {"DegToRad", FnDegToRad, "Convert angle degrees to radiant"},
      {"Exp", FnExp, "e (the base of natural logarithms) raised to a power"},
      {"Floor", FnFloor, "The largest integer that is not greater than the argument"},
      {"Frac", FnFrac, "The fractional part of a real number"},
      {"Int", FnInt, "The integer portion of a real number"},
      {"Ln", FnLn, "The natural logarithm of a number"},
      {"Lg10", FnLg10, "The logarithm base 10 of a number"},
      {"Lg", FnLg10, "The logarithm base 10 of a number"},
      {"Lg2", FnLg2, "The logarithm base 2 of a number"},
      {"RadToDeg", FnRadToDeg, "Convert angle radiant to degrees"},
      {"Round", FnRound, "Returns an integer closest in value to the argument"},
      {"Sin", FnSin, "Sine"},
      {"Sinh", FnSinh, "Hyperbolic sine"},
      {"Sqrt", FnSqrt, "Square root"},
      {"Sqr", FnSqr, "Square"},
      {"Tan", FnTan, "Tangent"},
      {"Tanh", FnTanh, "Hyperbolic tangent"},
  };
  for (const TEntry& E : cFunctions)
    AddFunctionToList(QString::fromLatin1(E.Id), QString::fromLatin1(E.Comment), E.Fn, Functions);
}

void TGvParserRegistry::RemoveContainer(const QObject* Container)
{
  Variables.Remove(Container);
  Strings.Remove(Container);
  Arrays.Remove(Container);
}

void AddFunctionToList(const QString& Id, const QString& Comment, TGvOnePrmFunction Fn,
                       TGvFunctionList& List)
{
  List.Put(TGvFunctionRec{Id, Comment, Fn});
}

void AddVariableToList(const QString& Id, const QString& Comment, const QObject* Container,
                       TGvVariableList& List, TGvDoubleGetter Getter)
{
  List.Put(TGvDoubleGetterRec{Id, Comment, TGvContainerRef(Container), std::move(Getter)});
}

void AddStringToList(const QString& Id, const QString& Comment, const QObject* Container,
                     TGvStringList& List, TGvStringGetter Getter)
{
  List.Put(TGvStringGetterRec{Id, Comment, TGvContainerRef(Container), std::move(Getter)});
}

void AddArrayToList(const QString& Id, const QString& Comment, const QObject* Container,
                    TGvArrayList& List, TGvArrayGetter Getter, TGvArrayCount Count)
{
  List.Put(TGvDoubleArrayRec{Id, Comment, TGvContainerRef(Container), std::move(Getter),
                             std::move(Count)});
}

void RemoveFromVariablesList(const QObject* Container, TGvVariableList& List)
{
  List.Remove(Container);
}

void RemoveFromStringList(const QObject* Container, TGvStringList& List)
{
  List.Remove(Container);
}

void RemoveFromArrayList(const QObject* Container, TGvArrayList& List)
{
  List.Remove(Container);
}

// ---- Update lists ------------------------------------------------------------

void TGvUpdateListOwner::AddObjectToUpdate(QObject* Item)
{
  std::erase_if(FObjectsToUpdate, [](const QPointer<QObject>& P) { return P.isNull(); });
  if (!Item) return;
  for (const QPointer<QObject>& P : FObjectsToUpdate)
    if (P.data() == Item) return;
  FObjectsToUpdate.emplace_back(Item);
}

TGvUpdateList TGvUpdateListOwner::ObjectsToUpdate() const
{
  TGvUpdateList Live;
  for (const QPointer<QObject>& P : FObjectsToUpdate)
    if (!P.isNull()) Live.push_back(P);
  return Live;
}

void AddToUpdateList(const QObject* Container, const QObject* Item)
{
  if (!Container || !Item) return;
  if (auto* Owner = dynamic_cast<TGvUpdateListOwner*>(const_cast<QObject*>(Container)))
    Owner->AddObjectToUpdate(const_cast<QObject*>(Item));
}

void UpdateVariablesObjects(const TGvUpdateList& List)
{
  // A copy: an update may change the list it came from.
  const TGvUpdateList Items = List;
  for (const QPointer<QObject>& P : Items)
    if (QObject* O = P.data())
      if (auto* V = dynamic_cast<TGvVariablesObject*>(O)) V->UpdateVariables();
}

// ---- Nodes -------------------------------------------------------------------

std::unique_ptr<TGvNode> TGvNode::NewConstant(double Value)
{
  std::unique_ptr<TGvNode> N(new TGvNode(TGvArg::Constant));
  N->FConstant = Value;
  return N;
}

std::unique_ptr<TGvNode> TGvNode::NewGetter(TGvDoubleGetter Getter, TGvContainerRef Container)
{
  if (!Getter) throw EExternal::NoValidExpression();
  std::unique_ptr<TGvNode> N(new TGvNode(TGvArg::Getter));
  N->FGetter = std::move(Getter);
  N->FContainer = std::move(Container);
  return N;
}

std::unique_ptr<TGvNode> TGvNode::NewDoubleArray(TGvArrayGetter Array, TGvArrayCount Count,
                                                 TGvContainerRef Container,
                                                 std::unique_ptr<TGvNode> Index)
{
  if (!Array || !Index) throw EExternal::NoValidExpression();
  std::unique_ptr<TGvNode> N(new TGvNode(TGvArg::DoubleArray));
  N->FArray = std::move(Array);
  N->FCount = std::move(Count);
  N->FContainer = std::move(Container);
  Index->FParent = N.get();
  N->FNodeOne = std::move(Index);
  return N;
}

std::unique_ptr<TGvNode> TGvNode::NewOnePrm(TGvOnePrmFunction Fn, std::unique_ptr<TGvNode> One)
{
  if (!Fn || !One) throw EExternal::NoValidExpression();
  std::unique_ptr<TGvNode> N(new TGvNode(TGvArg::OnePrm));
  N->FOnePrm = Fn;
  One->FParent = N.get();
  N->FNodeOne = std::move(One);
  return N;
}

std::unique_ptr<TGvNode> TGvNode::NewTwoPrm(TGvTwoPrmFunction Fn, std::unique_ptr<TGvNode> One,
                                            std::unique_ptr<TGvNode> Two)
{
  if (!Fn || !One || !Two) throw EExternal::NoValidExpression();
  std::unique_ptr<TGvNode> N(new TGvNode(TGvArg::TwoPrm));
  N->FTwoPrm = Fn;
  One->FParent = N.get();
  Two->FParent = N.get();
  N->FNodeOne = std::move(One);
  N->FNodeTwo = std::move(Two);
  return N;
}

// Frees a tree in linear time without recursion: a node with a left operand
// is rotated to the right until the root has none, then the root goes.
void TGvNode::FreeTree(TGvNode* Root)
{
  while (Root) {
    if (TGvNode* Left = Root->FNodeOne.release()) {
      Root->FNodeOne.reset(Left->FNodeTwo.release());
      Left->FNodeTwo.reset(Root);
      Root = Left;
    } else {
      TGvNode* Right = Root->FNodeTwo.release();
      delete Root;
      Root = Right;
    }
  }
}

TGvNode::~TGvNode()
{
  FreeTree(FNodeOne.release());
  FreeTree(FNodeTwo.release());
}

double TGvNode::GetterValue() const
{
  if (!FContainer.IsAlive()) RaiseSourceGone();
  return FGetter();
}

double TGvNode::ArrayValue(double Index) const
{
  if (!FContainer.IsAlive()) RaiseSourceGone();
  const double R = RoundHalfEvenValue(Index);
  if (!(R >= -cTwoTo63 && R < cTwoTo63)) RaiseInvalidOp();
  const qint64 I = qint64(R);
  if (I < 0 || I > INT_MAX) throw EGvRangeError::Index(I);
  if (FCount && I >= FCount()) throw EGvRangeError::Index(I);
  return FArray(int(I));
}

// Post-order walk along the parent links: each node is entered once from
// above and left once upwards, and the left operand of a TwoPrm node waits in
// the node while its right operand is walked.
double TGvNode::GetResult() const
{
  const TGvNode* N = this;
  for (;;) {
    while (N->FToken != TGvArg::Constant && N->FToken != TGvArg::Getter) N = N->FNodeOne.get();
    double V = N->FToken == TGvArg::Constant ? N->FConstant : N->GetterValue();
    for (;;) {
      if (N == this) return V;
      const TGvNode* P = N->FParent;
      if (P->FToken == TGvArg::TwoPrm && N == P->FNodeOne.get()) {
        P->FLeft = V;
        N = P->FNodeTwo.get();
        break;
      }
      if (P->FToken == TGvArg::OnePrm)
        V = P->FOnePrm(V);
      else if (P->FToken == TGvArg::DoubleArray)
        V = P->ArrayValue(V);
      else
        V = P->FTwoPrm(P->FLeft, V);
      N = P;
    }
  }
}

// ---- The evaluation program --------------------------------------------------

enum class TGvOp : uint8_t
{
  Const, // push Value
  Ref,   // push *Ref
  Getter,
  Array, // replace the index on top by the element
  Neg,
  Add,
  Sub,
  Mul,
  Div,
  Pow,
  Sqr,
  Call1,
  Call2,
};

struct TGvInstruction
{
  TGvOp Op;
  union {
    double Value;
    const double* Ref;
    const TGvNode* Node;
    TGvOnePrmFunction F1;
    TGvTwoPrmFunction F2;
  };
};

namespace {

TGvInstruction Instr(TGvOp Op)
{
  TGvInstruction I;
  I.Op = Op;
  I.Value = 0;
  return I;
}

// The tree as a program for a stack machine, built without recursion;
// MaxDepth is the deepest the value stack gets.
void Compile(const TGvNode* Root, std::vector<TGvInstruction>& Program, size_t& MaxDepth)
{
  struct TFrame
  {
    const TGvNode* Node;
    int Step;
  };
  std::vector<TFrame> Todo{{Root, 0}};
  size_t Depth = 0;
  MaxDepth = 0;
  while (!Todo.empty()) {
    const TGvNode* N = Todo.back().Node;
    const int Step = Todo.back().Step;
    TGvInstruction I = Instr(TGvOp::Const);
    switch (N->Token()) {
    case TGvArg::Constant:
      I.Value = N->AConstant();
      Program.push_back(I);
      ++Depth;
      Todo.pop_back();
      break;
    case TGvArg::Getter:
      if (N->AGetter().Value() && !N->Container().IsGiven()) {
        I.Op = TGvOp::Ref;
        I.Ref = N->AGetter().Value();
      } else {
        I.Op = TGvOp::Getter;
        I.Node = N;
      }
      Program.push_back(I);
      ++Depth;
      Todo.pop_back();
      break;
    case TGvArg::DoubleArray:
      if (Step == 0) {
        Todo.back().Step = 1;
        Todo.push_back({N->NodeOne(), 0});
      } else {
        I.Op = TGvOp::Array;
        I.Node = N;
        Program.push_back(I);
        Todo.pop_back();
      }
      break;
    case TGvArg::OnePrm:
      if (Step == 0) {
        Todo.back().Step = 1;
        Todo.push_back({N->NodeOne(), 0});
      } else {
        const TGvOnePrmFunction F = N->AOnePrmFunction();
        if (F == OpNegate) {
          Program.push_back(Instr(TGvOp::Neg));
        } else if (F != OpIdentity) {
          I.Op = TGvOp::Call1;
          I.F1 = F;
          Program.push_back(I);
        }
        Todo.pop_back();
      }
      break;
    case TGvArg::TwoPrm: {
      const TGvTwoPrmFunction F = N->ATwoPrmFunction();
      if (Step == 0) {
        Todo.back().Step = 1;
        Todo.push_back({N->NodeOne(), 0});
      } else if (Step == 1) {
        const TGvNode* Two = N->NodeTwo();
        if (F == OpPowerFn && Two->Token() == TGvArg::Constant && Two->AConstant() == 2.0) {
          Program.push_back(Instr(TGvOp::Sqr));
          Todo.pop_back();
        } else {
          Todo.back().Step = 2;
          Todo.push_back({Two, 0});
        }
      } else {
        if (F == OpAdd)
          I.Op = TGvOp::Add;
        else if (F == OpSubtract)
          I.Op = TGvOp::Sub;
        else if (F == OpMultiply)
          I.Op = TGvOp::Mul;
        else if (F == OpDivideFn)
          I.Op = TGvOp::Div;
        else if (F == OpPowerFn)
          I.Op = TGvOp::Pow;
        else {
          I.Op = TGvOp::Call2;
          I.F2 = F;
        }
        Program.push_back(I);
        --Depth;
        Todo.pop_back();
      }
      break;
    }
    }
    MaxDepth = std::max(MaxDepth, Depth);
  }
}

double Run(const TGvInstruction* I, const TGvInstruction* End, double* Stack)
{
  double* S = Stack; // the next free place; the top is S[-1]
  for (; I != End; ++I) {
    switch (I->Op) {
    case TGvOp::Const:
      *S++ = I->Value;
      break;
    case TGvOp::Ref:
      *S++ = *I->Ref;
      break;
    case TGvOp::Getter:
      *S++ = I->Node->GetterValue();
      break;
    case TGvOp::Array:
      S[-1] = I->Node->ArrayValue(S[-1]);
      break;
    case TGvOp::Neg:
      S[-1] = -S[-1];
      break;
    case TGvOp::Add:
      --S;
      S[-1] = Checked(S[-1] + S[0]);
      break;
    case TGvOp::Sub:
      --S;
      S[-1] = Checked(S[-1] - S[0]);
      break;
    case TGvOp::Mul:
      --S;
      S[-1] = Checked(S[-1] * S[0]);
      break;
    case TGvOp::Div:
      --S;
      S[-1] = OpDivide(S[-1], S[0]);
      break;
    case TGvOp::Pow:
      --S;
      S[-1] = OpPower(S[-1], S[0]);
      break;
    case TGvOp::Sqr:
      S[-1] = Checked(S[-1] * S[-1]);
      break;
    case TGvOp::Call1:
      S[-1] = I->F1(S[-1]);
      break;
    case TGvOp::Call2:
      --S;
      S[-1] = I->F2(S[-1], S[0]);
      break;
    }
  }
  return S[-1];
}

// ---- Reading the text ----

[[noreturn]] void RaiseUnreadable(QStringView Text)
{
  throw EMathError(QStringLiteral("Parsing error in function:\r") + Text.toString());
}

// Builds the tree of the cleaned, upper-cased text. Every reading works on a
// range of the one text; the operators of a chain ("1+2+3...") are found in
// one scan and the chain is built in a loop, so that long chains cost linear
// time and no recursion. Recursion goes only into brackets, whose depth is
// capped.
class TGvTreeBuilder
{
public:
  TGvTreeBuilder(const QString& Text, TGvFunctionParser& Parser)
      : FText(Text), FChars(Text.constData()), FParser(Parser)
  {
    // The brackets are balanced here (checked before) but may cross (")(");
    // the pairs that nest are matched, the others keep -1.
    FMatch.assign(size_t(Text.size()), -1);
    std::vector<qsizetype> Open;
    for (qsizetype I = 0; I < Text.size(); ++I) {
      if (FChars[I] == u'(') {
        Open.push_back(I);
      } else if (FChars[I] == u')' && !Open.empty()) {
        FMatch[size_t(I)] = Open.back();
        FMatch[size_t(Open.back())] = I;
        Open.pop_back();
      }
    }
  }

  std::unique_ptr<TGvNode> Build() { return BuildTree(0, FText.size(), 0); }
  std::vector<TGvContainerRef> TakeSources() { return std::move(FSources); }

private:
  QStringView Sub(qsizetype B, qsizetype E) const { return QStringView(FText).mid(B, E - B); }

  // The positions of the operators C1 or C2 at depth 0 in [B, E), not at B,
  // from the right; with Signs, a sign right after "^" is no operator. The
  // depth counts within the range, from its right end: ")" one deeper, "("
  // one less deep. A pair that nests within the range is jumped over whole.
  void Scan(qsizetype B, qsizetype E, char16_t C1, char16_t C2, bool Signs,
            std::vector<qsizetype>& Ops) const
  {
    Ops.clear();
    qsizetype Depth = 0;
    for (qsizetype Q = E - 1; Q > B; --Q) {
      const char16_t C = FChars[Q].unicode();
      if (C == u')') {
        const qsizetype Open = FMatch[size_t(Q)];
        if (Open >= B)
          Q = Open; // jump over the bracket
        else
          ++Depth;
        continue;
      }
      if (C == u'(') {
        --Depth;
        continue;
      }
      if (Depth == 0 && (C == C1 || C == C2) && !(Signs && FChars[Q - 1] == u'^'))
        Ops.push_back(Q);
    }
  }

  // A "+" or "-" at Q that is the sign of a number's exponent ("1.5E-3").
  bool IsExponentSign(qsizetype B, qsizetype Q) const
  {
    return Q - 2 >= B && FChars[Q - 1] == u'E' && FChars[Q - 2] >= u'0' && FChars[Q - 2] <= u'9';
  }

  static TGvTwoPrmFunction OperatorFunction(QChar C)
  {
    switch (C.unicode()) {
    case u'+':
      return OpAdd;
    case u'-':
      return OpSubtract;
    case u'*':
      return OpMultiply;
    case u'/':
      return OpDivideFn;
    default:
      return OpPowerFn;
    }
  }

  // The left-associated chain over the first Used operators of Ops (from the
  // right): ((X op1 Y) op2 Z) ... where X ends at the leftmost one used.
  std::unique_ptr<TGvNode> Chain(qsizetype B, qsizetype E, const std::vector<qsizetype>& Ops,
                                 size_t Used, int Nesting)
  {
    std::unique_ptr<TGvNode> Node = BuildTree(B, Ops[Used - 1], Nesting);
    for (size_t K = Used; K-- > 0;) {
      const qsizetype From = Ops[K] + 1;
      const qsizetype To = K == 0 ? E : Ops[K - 1];
      std::unique_ptr<TGvNode> Right = BuildTree(From, To, Nesting);
      Node =
          TGvNode::NewTwoPrm(OperatorFunction(FChars[Ops[K]]), std::move(Node), std::move(Right));
    }
    return Node;
  }

  std::unique_ptr<TGvNode> Inner(qsizetype B, qsizetype E, int Nesting)
  {
    if (Nesting >= TGvFunctionParser::MaxNesting)
      throw EMathError(
          QStringLiteral("Expression nested too deeply: more than %1 levels of brackets")
              .arg(TGvFunctionParser::MaxNesting));
    return BuildTree(B, E, Nesting + 1);
  }

  std::unique_ptr<TGvNode> BuildTree(qsizetype B, qsizetype E, int Nesting)
  {
    std::vector<qsizetype> Ops;

    // 1. Plus and minus.
    Scan(B, E, u'+', u'-', true, Ops);
    if (!Ops.empty()) {
      size_t Used = 0;
      while (Used < Ops.size() && !IsExponentSign(B, Ops[Used])) ++Used;
      if (Used > 0) return Chain(B, E, Ops, Used, Nesting);
      // The rightmost sign is an exponent's: no sum reading. A true "+" or "-"
      // further left would then be grouped inside a product ("1+2*1E-3" as
      // (1+2)*1E-3), so such a text is refused like "2+1E-3" is.
      for (size_t K = 1; K < Ops.size(); ++K)
        if (!IsExponentSign(B, Ops[K])) RaiseUnreadable(Sub(B, E));
    }

    // 2. Times and divide.
    Scan(B, E, u'*', u'/', false, Ops);
    if (!Ops.empty()) return Chain(B, E, Ops, Ops.size(), Nesting);

    // 3. A leading sign.
    if (E > B && (FChars[B] == u'+' || FChars[B] == u'-')) {
      std::unique_ptr<TGvNode> Rest = BuildTree(B + 1, E, Nesting);
      if (FChars[B] == u'+') return Rest;
      return TGvNode::NewOnePrm(OpNegate, std::move(Rest));
    }

    // 4. Power.
    Scan(B, E, u'^', u'^', false, Ops);
    if (!Ops.empty()) return Chain(B, E, Ops, Ops.size(), Nesting);

    // 5. and 6. Array element, bracket or function: the name before the
    // first "(", the argument from there to the last character (exclusive),
    // whether that "(" closes there or not ("SIN(1)(2)" reads "1)(2").
    const qsizetype Paren = Sub(B, E).indexOf(u'(');
    if (Paren >= 0) {
      const qsizetype Open = B + Paren;
      const qsizetype ArgEnd = std::max(Open + 1, E - 1);
      const QString Name = Sub(B, Open).toString();
      if (Name.isEmpty()) return TGvNode::NewOnePrm(OpIdentity, Inner(Open + 1, ArgEnd, Nesting));
      if (const TGvDoubleArrayRec* Rec = GlobalArrayList().Find(Name)) {
        TGvArrayGetter Array = Rec->AArray;
        TGvArrayCount Count = Rec->ACount;
        TGvContainerRef Container = Rec->Container;
        AddToUpdateList(Container.Get(), FParser.Owner());
        std::unique_ptr<TGvNode> Index = Inner(Open + 1, ArgEnd, Nesting);
        if (Container.IsGiven()) FSources.push_back(Container);
        return TGvNode::NewDoubleArray(std::move(Array), std::move(Count), std::move(Container),
                                       std::move(Index));
      }
      const TGvFunctionRec* Fn = FParser.FunctionsList.Find(Name);
      if (!Fn) Fn = GlobalFunctionList().Find(Name);
      if (Fn && Fn->AFunction) {
        const TGvOnePrmFunction F = Fn->AFunction;
        return TGvNode::NewOnePrm(F, Inner(Open + 1, ArgEnd, Nesting));
      }
    }

    const QString Text = Sub(B, E).toString();
    if (!Text.isEmpty()) {
      // 7. A variable.
      const TGvDoubleGetterRec* Var = FParser.VariablesList.Find(Text);
      if (!Var) Var = GlobalVariableList().Find(Text);
      if (Var && Var->AGetter) {
        TGvDoubleGetter Getter = Var->AGetter;
        TGvContainerRef Container = Var->Container;
        AddToUpdateList(Container.Get(), FParser.Owner());
        if (Container.IsGiven()) FSources.push_back(Container);
        return TGvNode::NewGetter(std::move(Getter), std::move(Container));
      }
      // 8. A number.
      double Value = 0;
      if (TryStrToFloat(Text, Value)) return TGvNode::NewConstant(Value);
    }

    // 9. Nothing readable.
    RaiseUnreadable(Sub(B, E));
  }

  const QString& FText;
  const QChar* FChars;
  TGvFunctionParser& FParser;
  std::vector<qsizetype> FMatch;
  std::vector<TGvContainerRef> FSources;
};

uint64_t ClockSeed(const void* Salt)
{
  const auto Ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  return uint64_t(Ticks) ^ (uint64_t(reinterpret_cast<uintptr_t>(Salt)) * 0x9E3779B97F4A7C15ull);
}

} // namespace

// ---- The parser ----------------------------------------------------------------

TGvFunctionParser::TGvFunctionParser(const QObject* Owner)
    : FOwner(const_cast<QObject*>(Owner)), FRandomState(ClockSeed(this))
{
  AddVariableToList(QStringLiteral("Pi"), QStringLiteral("Circle number, approximately 3.14159"),
                    nullptr, VariablesList, &cPi);
  AddVariableToList(QStringLiteral("e"),
                    QStringLiteral("Base of natural logarithm, approximately 2.718282"), nullptr,
                    VariablesList, &cE);
  AddVariableToList(QStringLiteral("Random"),
                    QStringLiteral("Returns a random number within the range 0 <= X < 1"), nullptr,
                    VariablesList, [this] { return NextRandom(); });
}

TGvFunctionParser::~TGvFunctionParser() = default;

void TGvFunctionParser::BindVariable(const QString& Id, const double* Value, const QString& Comment)
{
  AddVariableToList(Id, Comment, nullptr, VariablesList, Value);
}

// SplitMix64: 0 <= x < 1 with 53 random bits.
double TGvFunctionParser::NextRandom()
{
  uint64_t Z = (FRandomState += 0x9E3779B97F4A7C15ull);
  Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ull;
  Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBull;
  Z ^= Z >> 31;
  return double(Z >> 11) * 0x1.0p-53;
}

void TGvFunctionParser::Clear()
{
  FProgram.clear();
  FStack.clear();
  FSources.clear();
  FStartNode.reset();
}

void TGvFunctionParser::SetExpression(const QString& Value)
{
  QString Clean = Value;
  Clean.remove(QLatin1Char(' '));
  Clean.replace(QLatin1Char('['), QLatin1Char('(')).replace(QLatin1Char(']'), QLatin1Char(')'));
  if (Clean == FExpression) {
    // Parsed already, and every object it reads from still lives: nothing to
    // do. After a failed parse, or when a source is gone, it parses again.
    const bool Live = std::all_of(FSources.begin(), FSources.end(),
                                  [](const TGvContainerRef& C) { return C.IsAlive(); });
    if ((FStartNode && Live) || Clean.isEmpty()) return;
  }
  FExpression = Clean;
  Clear();
  if (!FExpression.isEmpty()) Parse();
}

void TGvFunctionParser::Parse()
{
  Clear();
  qsizetype Total = 0;
  for (QChar C : FExpression) {
    if (C == u'(')
      ++Total;
    else if (C == u')')
      --Total;
  }
  if (Total > 0) throw EMathError(QStringLiteral("%1 closing brackets missing").arg(Total));
  if (Total < 0) throw EMathError(QStringLiteral("%1 opening brackets missing").arg(-Total));
  // Balanced but crossed (")(", "())("): the reading finds the part it cannot
  // read and names it.

  const QString Upper = FExpression.toUpper();
  TGvTreeBuilder Builder(Upper, *this);
  std::unique_ptr<TGvNode> Root = Builder.Build();
  std::vector<TGvInstruction> Program;
  size_t Depth = 0;
  Compile(Root.get(), Program, Depth);
  FStack.assign(std::max<size_t>(Depth, 1), 0.0);
  FProgram = std::move(Program);
  FSources = Builder.TakeSources();
  FStartNode = std::move(Root);
}

double TGvFunctionParser::GetResult() const
{
  if (FProgram.empty()) throw EExternal::NoValidExpression();
  if (FEvaluating) throw EMathError(QStringLiteral("Expression refers to itself"));
  struct TEvaluating
  {
    bool& Flag;
    explicit TEvaluating(bool& F) : Flag(F) { Flag = true; }
    ~TEvaluating() { Flag = false; }
  } Scope(FEvaluating);
  return Run(FProgram.data(), FProgram.data() + FProgram.size(), FStack.data());
}

// ---- Caption templates ---------------------------------------------------------

namespace {

// A string variable may show other fields, itself too: the expansion goes at
// most this deep, and one caption expands at most this many fields; beyond
// that a field reads "...".
constexpr int cMaxTemplateDepth = 8;
constexpr int cMaxTemplateFields = 1000;

struct TTemplateContext
{
  int Depth = 0;
  int FieldsLeft = cMaxTemplateFields;
};

QString ExpandTemplates(const QString& Text, const QObject* Owner, TTemplateContext& Context);

QString FindVar(const QString& Text, const QObject* Owner, TTemplateContext& Context)
{
  if (Context.Depth >= cMaxTemplateDepth || Context.FieldsLeft <= 0) return QStringLiteral("...");
  --Context.FieldsLeft;
  const QString Upper = Text.toUpper();
  if (!Upper.isEmpty()) {
    if (const TGvStringGetterRec* Rec = GlobalStringList().Find(Upper)) {
      const TGvStringGetter Getter = Rec->AGetter;
      AddToUpdateList(Rec->Container.Get(), Owner);
      const QString Value = Getter ? Getter() : QString();
      struct TDeeper
      {
        int& Depth;
        explicit TDeeper(int& D) : Depth(D) { ++Depth; }
        ~TDeeper() { --Depth; }
      } Deeper(Context.Depth);
      return ExpandTemplates(Value, Owner, Context);
    }
  }
  // The expression before the first ";", the number pattern after it, both
  // upper-cased (an exponent pattern "0.00e+00" shows "1.23E+04").
  const qsizetype Semicolon = Upper.indexOf(QLatin1Char(';'));
  const QString Expression = Semicolon < 0 ? Upper : Upper.left(Semicolon);
  const QString Pattern = Semicolon < 0 ? QString() : Upper.mid(Semicolon + 1);
  TGvFunctionParser Parser(Owner);
  Parser.SetExpression(Expression);
  return FormatFloat(Pattern, Parser.GetResult());
}

// One pass from left to right; what lies before the position P is final.
QString ExpandTemplates(const QString& Text, const QObject* Owner, TTemplateContext& Context)
{
  const QStringView T(Text);
  QString Out;
  qsizetype P = 0;
  for (;;) {
    const qsizetype I = T.indexOf(u"<%", P);
    if (I < 0) break;
    if (T.mid(I + 2, 2) == u"<%") {
      // "<%<%": a literal "<%".
      Out += T.mid(P, I + 2 - P);
      P = I + 4;
      continue;
    }
    const qsizetype J = T.indexOf(u"%>", P);
    if (J >= 0 && T.mid(J + 2, 2) == u"%>") {
      // "%>%>": a literal "%>".
      Out += T.mid(P, J + 2 - P);
      P = J + 4;
      continue;
    }
    if (J < I + 2) throw EExternal::NoValidExpression(); // an unclosed field
    Out += T.mid(P, I - P);
    Out += FindVar(T.mid(I + 2, J - I - 2).toString(), Owner, Context);
    P = J + 2; // the value itself is not read again
  }
  Out += T.mid(P);
  return Out;
}

} // namespace

QString ParseVariables(const QString& Text, const QObject* Owner)
{
  TTemplateContext Context;
  return ExpandTemplates(Text, Owner, Context);
}

QString FindTheVar(const QString& Text, const QObject* Owner)
{
  TTemplateContext Context;
  return FindVar(Text, Owner, Context);
}
