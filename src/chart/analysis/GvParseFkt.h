// The expression parser of the chart engine.
//
//   TGvFunctionParser  turns one expression typed by a user ("sin(x)*exp(-x/10)")
//                      into a tree of TGvNode objects once, and evaluates it as
//                      often as needed. Evaluation runs a flat program compiled
//                      from the tree: it allocates nothing and looks no name up,
//                      so a fit can evaluate its model for every point of every
//                      step.
//   the registries     the named things an expression may use: one-argument
//                      functions, numeric variables, string variables and
//                      numeric arrays. A component publishes a value under its
//                      dotted name (a series registers its fitted slope as
//                      "Form1.Graph1.Fit1.Slope"); the four lists live in one
//                      process-wide object, TGvParserRegistry.
//   caption templates  ParseVariables replaces every "<%" name "%>" field of a
//                      caption by the value of the expression or string
//                      variable inside it; the objects that show such a value
//                      are put on the publisher's update list, and
//                      UpdateVariablesObjects expands them again after the
//                      publisher recalculated.
//
// Grammar (the whole cleaned text, upper-cased; blanks are removed, "[" and "]"
// read as "(" and ")"). The readings are tried in this order; the first that
// applies wins:
//   1. "+" and "-" at bracket depth 0, the rightmost first (so they associate
//      to the left); a sign in the first place or right after "^" is no
//      operator. A text whose rightmost "+"/"-" is the sign of a number's
//      exponent ("1.5E-3") has no sum reading: "2*1E-3" is 0.002, and "2+1E-3"
//      and "1+2*1E-3" are refused (a true "+" or "-" left of such a sign
//      refuses the text, which no other reading would group right).
//   2. "*" and "/" likewise (a sign right after them is refused: "2*-3").
//   3. a leading sign: "-" negates the rest, "+" is dropped.
//   4. "^", the rightmost first (2^3^2 = 64; 2^-1 = 0.5; -2^2 = -4).
//   5. name(index) of a registered array.
//   6. (inner) or function(argument).
//      In 5 and 6 the name stands before the first "(" and the inner text
//      runs from there to the last character, whether that "(" closes there
//      or not: "SIN(1)(2)" fails on "1)(2", and balanced but crossed
//      brackets fail on the part that cannot be read ("())(" on "))").
//   7. a variable: the parser's own first, then the registered ones.
//   8. a number, with the locale's decimal separator.
// Anything else raises EMathError "Parsing error in function:" + CR + text.
// Brackets nest at most MaxNesting deep; chains of any length cost linear
// time, and nothing recurses along them.
//
// Main thread only: nothing here is locked.
#pragma once

#include "chart/GvComponent.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

// ---- Errors ----------------------------------------------------------------

// EExternal ("No valid expression defined") and EMathError come with the
// component base; the arithmetic errors derive from EMathError.

// "Invalid floating point operation": the logarithm or square root of a
// negative number, an inverse sine of 2, 0/0, an integer function or an array
// index outside its range.
class EInvalidOp : public EMathError
{
public:
  EInvalidOp();
};

// "Floating point division by zero": x/0, Ln(0), Cotan(0), 0^-1.
class EZeroDivide : public EMathError
{
public:
  EZeroDivide();
};

// "Floating point overflow": a result beyond the range of a double. (A result
// too small for a double is 0, not an error.)
class EOverflow : public EMathError
{
public:
  EOverflow();
};

// ---- Callbacks and records -------------------------------------------------

using TGvOnePrmFunction = double (*)(double);
using TGvTwoPrmFunction = double (*)(double, double);
using TGvStringGetter = std::function<QString()>;
using TGvArrayGetter = std::function<double(int Index)>;
// The number of elements of an array; indices at or beyond it are refused
// before the array is asked.
using TGvArrayCount = std::function<int()>;

// The value source of a numeric variable: either a double that its owner
// keeps up to date (read directly at every evaluation, the fast way for the
// "X" of a fit) or a callback.
class TGvDoubleGetter
{
public:
  TGvDoubleGetter() = default;
  TGvDoubleGetter(const double* Value) : FValue(Value) {}
  template <class F>
  requires(!std::same_as<std::decay_t<F>, TGvDoubleGetter> && std::is_invocable_r_v<double, F&>)
      TGvDoubleGetter(F Fn)
      : FFunction(std::move(Fn))
  {
  }

  double operator()() const { return FValue ? *FValue : FFunction(); }
  explicit operator bool() const { return FValue || FFunction; }
  // The bound double, or nullptr for a callback.
  const double* Value() const { return FValue; }

private:
  const double* FValue = nullptr;
  std::function<double()> FFunction;
};

// The component that published a record, held so that its destruction is
// noticed: a record (or a parsed node) whose container is gone, or has begun
// to tear down, is never called again.
class TGvContainerRef
{
public:
  TGvContainerRef() = default;
  TGvContainerRef(const QObject* Container);

  QObject* Get() const { return FObject.data(); }
  bool IsGiven() const { return FGiven; }
  // True for an empty reference and for a container that still lives.
  bool IsAlive() const
  {
    if (!FGiven) return true;
    if (FObject.isNull()) return false;
    return !FComponent || !FComponent->IsDestroying();
  }
  // Whether this is a reference to Container (the empty reference is a
  // reference to nullptr).
  bool Refers(const QObject* Container) const;

private:
  QPointer<QObject> FObject;
  const TGvComponent* FComponent = nullptr;
  bool FGiven = false;
};

struct TGvFunctionRec
{
  QString Id;
  QString Comment; // description for pick lists
  TGvOnePrmFunction AFunction = nullptr;
};

struct TGvDoubleGetterRec
{
  QString Id;
  QString Comment;
  TGvContainerRef Container;
  TGvDoubleGetter AGetter;
};

struct TGvStringGetterRec
{
  QString Id;
  QString Comment;
  TGvContainerRef Container;
  TGvStringGetter AGetter;
};

struct TGvDoubleArrayRec
{
  QString Id;
  QString Comment;
  TGvContainerRef Container;
  TGvArrayGetter AArray;
  TGvArrayCount ACount; // may be empty: then only negative indices are refused
};

// The name under which Container's records are seen in expressions, put in
// front of their Id: "" without a container, else the dotted owner path of
// the container followed by "." ("Form1.Graph1.Series1."), or just "." when
// the container or one of its owners has no name.
QString GetAddition(const QObject* Container);

// ---- Lists -----------------------------------------------------------------

// Functions, matched by Id alone (without regard to case).
class TGvFunctionList
{
public:
  const std::vector<TGvFunctionRec>& Records() const { return FRecords; }
  qsizetype Count() const { return qsizetype(FRecords.size()); }
  // Replaces the function of the same Id, or appends.
  void Put(TGvFunctionRec Rec);
  const TGvFunctionRec* Find(const QString& Id) const;
  void Clear() { FRecords.clear(); }

private:
  std::vector<TGvFunctionRec> FRecords;
};

// Variables, strings or arrays, each seen as GetAddition(Container) + Id.
// Records whose container was destroyed are dropped before every access.
template <class TRec> class TGvNamedList
{
public:
  // The live records, in the order they were first registered. The reference
  // holds until the list changes.
  const std::vector<TRec>& Records()
  {
    Purge();
    return FRecords;
  }
  qsizetype Count()
  {
    Purge();
    return qsizetype(FRecords.size());
  }
  // Replaces the record of the same container and the same Id (without
  // regard to case), or appends.
  void Put(TRec Rec)
  {
    Purge();
    for (TRec& R : FRecords)
      if (R.Container.Refers(Rec.Container.Get()) &&
          QString::compare(R.Id, Rec.Id, Qt::CaseInsensitive) == 0) {
        R = std::move(Rec);
        return;
      }
    FRecords.push_back(std::move(Rec));
  }
  // Removes everything Container registered (nullptr: the records without a
  // container); the others keep their order.
  void Remove(const QObject* Container)
  {
    Purge();
    std::erase_if(FRecords, [Container](const TRec& R) { return R.Container.Refers(Container); });
  }
  // The first live record whose full name is Name (without regard to case);
  // the pointer holds until the list changes.
  const TRec* Find(const QString& Name)
  {
    Purge();
    for (const TRec& R : FRecords)
      if (Name.size() >= R.Id.size() && Name.endsWith(R.Id, Qt::CaseInsensitive) &&
          QString::compare(GetAddition(R.Container.Get()) + R.Id, Name, Qt::CaseInsensitive) == 0)
        return &R;
    return nullptr;
  }
  void Clear() { FRecords.clear(); }

private:
  void Purge()
  {
    std::erase_if(FRecords, [](const TRec& R) { return !R.Container.IsAlive(); });
  }
  std::vector<TRec> FRecords;
};

using TGvVariableList = TGvNamedList<TGvDoubleGetterRec>;
using TGvStringList = TGvNamedList<TGvStringGetterRec>;
using TGvArrayList = TGvNamedList<TGvDoubleArrayRec>;

// The registries of the whole process, filled on first use with the global
// functions; the rest is registered by the components that publish values.
class TGvParserRegistry
{
public:
  static TGvParserRegistry& Instance();

  TGvFunctionList Functions;
  TGvVariableList Variables;
  TGvStringList Strings;
  TGvArrayList Arrays;

  // Removes everything Container registered as a variable, string or array.
  void RemoveContainer(const QObject* Container);

  TGvParserRegistry(const TGvParserRegistry&) = delete;
  TGvParserRegistry& operator=(const TGvParserRegistry&) = delete;

private:
  TGvParserRegistry();
};

inline TGvFunctionList& GlobalFunctionList()
{
  return TGvParserRegistry::Instance().Functions;
}
inline TGvVariableList& GlobalVariableList()
{
  return TGvParserRegistry::Instance().Variables;
}
inline TGvStringList& GlobalStringList()
{
  return TGvParserRegistry::Instance().Strings;
}
inline TGvArrayList& GlobalArrayList()
{
  return TGvParserRegistry::Instance().Arrays;
}

// Registration: an update-or-append keyed on the container and the Id
// (functions on the Id alone).
void AddFunctionToList(const QString& Id, const QString& Comment, TGvOnePrmFunction Fn,
                       TGvFunctionList& List);
void AddVariableToList(const QString& Id, const QString& Comment, const QObject* Container,
                       TGvVariableList& List, TGvDoubleGetter Getter);
void AddStringToList(const QString& Id, const QString& Comment, const QObject* Container,
                     TGvStringList& List, TGvStringGetter Getter);
void AddArrayToList(const QString& Id, const QString& Comment, const QObject* Container,
                    TGvArrayList& List, TGvArrayGetter Getter, TGvArrayCount Count = {});
void RemoveFromVariablesList(const QObject* Container, TGvVariableList& List);
void RemoveFromStringList(const QObject* Container, TGvStringList& List);
void RemoveFromArrayList(const QObject* Container, TGvArrayList& List);
// What a publishing component calls when it is destroyed or before it takes a
// new name: removes all it registered in the three global lists.
inline void RemoveFromGlobalLists(const QObject* Container)
{
  TGvParserRegistry::Instance().RemoveContainer(Container);
}

// ---- Update lists ----------------------------------------------------------

using TGvUpdateList = std::vector<QPointer<QObject>>;

// Implemented by the components that publish values (series, graphs): the
// objects that show one of their values, to be expanded again after they
// recalculated.
class TGvUpdateListOwner
{
public:
  virtual ~TGvUpdateListOwner() = default;
  // Adds Item once; destroyed items are dropped.
  void AddObjectToUpdate(QObject* Item);
  // The live items, in the order they were added.
  TGvUpdateList ObjectsToUpdate() const;

private:
  TGvUpdateList FObjectsToUpdate;
};

// Implemented by the objects that show caption templates (rich labels,
// caption edits, axes, graphs, legends, markers): expand the templates again
// and repaint.
class TGvVariablesObject
{
public:
  virtual ~TGvVariablesObject() = default;
  virtual void UpdateVariables() = 0;
};

// When both are given and Container keeps an update list: Item joins it.
void AddToUpdateList(const QObject* Container, const QObject* Item);
// UpdateVariables of every live object of List that shows templates, in
// order; the others are skipped.
void UpdateVariablesObjects(const TGvUpdateList& List);

// ---- The tree ---------------------------------------------------------------

// Node kinds.
enum class TGvArg : uint8_t
{
  Constant = 0,
  Getter = 1,
  DoubleArray = 2,
  OnePrm = 3,
  TwoPrm = 4,
};

// One node of a parsed expression. It owns its operands: NodeOne (the operand
// of a OnePrm node, the left one of a TwoPrm node, the index of a DoubleArray
// node) and NodeTwo (the right operand of a TwoPrm node).
class TGvNode
{
public:
  static std::unique_ptr<TGvNode> NewConstant(double Value);
  static std::unique_ptr<TGvNode> NewGetter(TGvDoubleGetter Getter, TGvContainerRef Container);
  static std::unique_ptr<TGvNode> NewDoubleArray(TGvArrayGetter Array, TGvArrayCount Count,
                                                 TGvContainerRef Container,
                                                 std::unique_ptr<TGvNode> Index);
  static std::unique_ptr<TGvNode> NewOnePrm(TGvOnePrmFunction Fn, std::unique_ptr<TGvNode> One);
  static std::unique_ptr<TGvNode> NewTwoPrm(TGvTwoPrmFunction Fn, std::unique_ptr<TGvNode> One,
                                            std::unique_ptr<TGvNode> Two);
  // Frees the operands without recursion (a chain of 100 000 terms is one
  // long branch).
  ~TGvNode();
  TGvNode(const TGvNode&) = delete;
  TGvNode& operator=(const TGvNode&) = delete;

  TGvArg Token() const { return FToken; }
  double AConstant() const { return FConstant; }
  const TGvDoubleGetter& AGetter() const { return FGetter; }
  const TGvArrayGetter& AArray() const { return FArray; }
  TGvOnePrmFunction AOnePrmFunction() const { return FOnePrm; }
  TGvTwoPrmFunction ATwoPrmFunction() const { return FTwoPrm; }
  const TGvNode* NodeOne() const { return FNodeOne.get(); }
  const TGvNode* NodeTwo() const { return FNodeTwo.get(); }
  const TGvContainerRef& Container() const { return FContainer; }

  // The value of this subtree, walked without recursion: Constant, the
  // getter's value, the array element at the index rounded half to even, or
  // the function of the operands (left first).
  double GetResult() const;

  // The value of a Getter node and the element of a DoubleArray node; both
  // refuse a container that is gone (EMathError) and the array refuses an
  // index outside its range (EGvRangeError, EInvalidOp when not even a 64-bit
  // integer).
  double GetterValue() const;
  double ArrayValue(double Index) const;

private:
  explicit TGvNode(TGvArg Token) : FToken(Token) {}
  static void FreeTree(TGvNode* Root);

  TGvArg FToken;
  double FConstant = 0;
  TGvOnePrmFunction FOnePrm = nullptr;
  TGvTwoPrmFunction FTwoPrm = nullptr;
  std::unique_ptr<TGvNode> FNodeOne;
  std::unique_ptr<TGvNode> FNodeTwo;
  TGvNode* FParent = nullptr;
  mutable double FLeft = 0; // the left operand while GetResult walks the right one
  TGvDoubleGetter FGetter;
  TGvArrayGetter FArray;
  TGvArrayCount FCount;
  TGvContainerRef FContainer;
};

// ---- The parser -------------------------------------------------------------

struct TGvInstruction;

class TGvFunctionParser
{
public:
  // Brackets (and function or array arguments) nest at most this deep.
  static constexpr int MaxNesting = 128;

  // Registers Pi, e and Random in VariablesList and seeds the parser's own
  // random generator from the clock. Owner (not owned) is the component that
  // shows the result; it joins the update lists of the components whose
  // values the expression uses.
  explicit TGvFunctionParser(const QObject* Owner = nullptr);
  ~TGvFunctionParser();
  TGvFunctionParser(const TGvFunctionParser&) = delete;
  TGvFunctionParser& operator=(const TGvFunctionParser&) = delete;

  // The expression as stored: blanks removed, "[" "]" read as "(" ")".
  const QString& Expression() const { return FExpression; }
  // Parses Value (nothing when it is the stored expression and that parsed).
  // Errors (EMathError) reach the caller; the tree is empty then.
  void SetExpression(const QString& Value);
  // The value of the expression; EExternal "No valid expression defined"
  // without one, EMathError for arithmetic without a value.
  double GetResult() const;
  double Result() const { return GetResult(); }

  QObject* Owner() const { return FOwner.data(); }
  void SetOwner(const QObject* Owner) { FOwner = const_cast<QObject*>(Owner); }
  // The root of the parsed tree; nullptr without a valid expression.
  const TGvNode* StartNode() const { return FStartNode.get(); }

  // Registers Id as a parser variable that reads *Value at every evaluation
  // (the caller keeps *Value alive and up to date). Takes effect at the next
  // parse.
  void BindVariable(const QString& Id, const double* Value, const QString& Comment = QString());
  // Restarts the random generator of Random (tests; normally seeded from the
  // clock).
  void SetRandomSeed(uint64_t Seed) { FRandomState = Seed; }

  // Per-parser functions and variables, searched before the global ones.
  TGvFunctionList FunctionsList;
  TGvVariableList VariablesList;

private:
  void Parse();
  void Clear();
  double NextRandom();

  QString FExpression;
  std::unique_ptr<TGvNode> FStartNode;
  QPointer<QObject> FOwner;
  std::vector<TGvInstruction> FProgram;
  mutable std::vector<double> FStack;
  // The components the tree reads from.
  std::vector<TGvContainerRef> FSources;
  mutable bool FEvaluating = false;
  uint64_t FRandomState = 0;
};

// ---- Caption templates ------------------------------------------------------

// Replaces every "<%" name "%>" field of Text by FindTheVar(name, Owner). "<%<%"
// stands for a literal "<%" and "%>%>" for a literal "%>". An unclosed field
// raises EExternal "No valid expression defined"; the parser's errors reach
// the caller.
QString ParseVariables(const QString& Text, const QObject* Owner);
// The text of one field: the expanded text of the string variable of that
// name, or the value of the expression before the first ";" formatted with
// the number pattern after it (plain float text without one); the field is
// read upper-cased, the pattern too ("0.00e+00" shows "1.23E+04"). String
// variables that expand themselves stop after a few levels, where the field
// reads "...".
QString FindTheVar(const QString& Text, const QObject* Owner);
