// The undo stack over the objects that record on it: styles, fonts, vectors,
// components and edit controls; groups, limit, the two storages, identities
// and the failures.
#include "chart/GvUndoStack.h"

#include "chart/GvIO.h"
#include "chart/GvRichLabel.h"
#include "chart/GvStyles.h"
#include "chart/GvVectors.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

#include "UndoProbe.h"

namespace {

std::vector<double> Values(const TGvDoubleVector& V)
{
  return {V.StoredValues().begin(), V.StoredValues().end()};
}

bool SameBits(const std::vector<double>& A, const std::vector<double>& B)
{
  return A.size() == B.size() && (A.empty() || std::memcmp(A.data(), B.data(), A.size() * 8) == 0);
}

// Every case runs over memory buffers and over temporary files.
class UndoStack : public ::testing::TestWithParam<bool>
{
protected:
  void SetUp() override { Stack.SetToMemoryStream(GetParam()); }
  TGvUndoStack Stack;
};

INSTANTIATE_TEST_SUITE_P(Storage, UndoStack, ::testing::Values(true, false),
                         [](const auto& Info) { return Info.param ? "Memory" : "Files"; });

TEST_P(UndoStack, PropertyChangesUndoAndRedoInOrder)
{
  TGvLineSettings L;
  L.SetUndoStack(&Stack);
  const TGvColor C0 = L.Color();
  L.SetColor(GvColors::Blue);
  L.SetColor(GvColors::Navy);
  EXPECT_EQ(Stack.UndoCount(), 2);
  EXPECT_TRUE(Stack.CanUndo());
  EXPECT_FALSE(Stack.CanRedo());

  Stack.Undo();
  EXPECT_EQ(L.Color(), GvColors::Blue);
  EXPECT_TRUE(Stack.CanRedo());
  Stack.Undo();
  EXPECT_EQ(L.Color(), C0);
  EXPECT_FALSE(Stack.CanUndo());
  Stack.Undo(); // nothing more: no change, no error
  EXPECT_EQ(L.Color(), C0);

  Stack.Redo();
  EXPECT_EQ(L.Color(), GvColors::Blue);
  Stack.Redo();
  EXPECT_EQ(L.Color(), GvColors::Navy);
  EXPECT_FALSE(Stack.CanRedo());
  // Nothing was recorded while replaying.
  EXPECT_EQ(Stack.UndoCount(), 2);
  EXPECT_EQ(Stack.RedoCount(), 0);

  // Undo and redo again restore the same values exactly.
  L.SetWidth(0.1f);
  L.SetWidth(2.7182817f);
  Stack.Undo(1);
  EXPECT_EQ(L.Width(), 1.0f);
  Stack.Redo(1);
  EXPECT_EQ(L.Width(), 2.7182817f);
}

TEST_P(UndoStack, ValuesOfEveryKindComeBack)
{
  TUndoProbe P;
  P.SetUndoStack(&Stack);
  TGvFont F; // records through its owner's PushToUndoStack only
  TGvDoubleVector V;

  P.SetItems({QStringLiteral("a"), QStringLiteral("b\nc")});
  P.SetNumbers({1, 2.5, QStringLiteral("x"), true});
  P.SetData(&V);
  F.PushToUndoStack(&Stack, QStringLiteral("Font"));
  F.SetName(QStringLiteral("Courier New"));
  F.SetSize(13.25f);
  F.SetStyle(TGvFontStyle::Bold | TGvFontStyle::Italic);
  F.SetDrawEffects(TGvCharDrawEffect::Shadow);
  F.SetFillColor(0x80123456);
  F.Gradient()->SetStyle(TGvGradientStyle::Radial);
  F.Gradient()->SetRadialCenterX(0.25f);
  P.SetItems({});
  P.SetNumbers({});
  P.SetData(nullptr);

  Stack.Undo(2); // the three probe changes
  EXPECT_EQ(P.Items(), QStringList({QStringLiteral("a"), QStringLiteral("b\nc")}));
  EXPECT_EQ(P.Numbers().size(), 4);
  EXPECT_EQ(P.Numbers()[1].toDouble(), 2.5);
  EXPECT_EQ(P.Numbers()[2].toString(), QStringLiteral("x"));
  EXPECT_EQ(P.Data(), &V);
  Stack.Undo(); // the font group
  EXPECT_EQ(F.Name(), QStringLiteral("Arial"));
  EXPECT_EQ(F.Size(), 10.0f);
  EXPECT_EQ(F.Style(), TGvFontStyles());
  EXPECT_EQ(F.DrawEffects(), TGvCharDrawEffects());
  EXPECT_EQ(F.FillColor(), GvColors::Black);
  EXPECT_EQ(F.Gradient()->Style(), TGvGradientStyle::Linear);
  EXPECT_EQ(F.Gradient()->RadialCenterX(), 0.5f);
  Stack.Redo(5);
  EXPECT_EQ(F.Style(), TGvFontStyle::Bold | TGvFontStyle::Italic);
  EXPECT_EQ(F.Size(), 13.25f);
  EXPECT_EQ(F.FillColor(), 0x80123456u);
  EXPECT_TRUE(P.Items().isEmpty());
  EXPECT_EQ(P.Data(), nullptr);
}

TEST_P(UndoStack, AGroupIsOneStepAndNestedGroupsJoinIt)
{
  TGvAreaSettings A;
  A.SetUndoStack(&Stack);
  Stack.StartGroup(QStringLiteral("Area look"));
  A.SetVisible(true);
  Stack.StartGroup(QStringLiteral("inner"));
  A.SetForeColor(GvColors::Yellow);
  A.Gradient()->SetVisible(true);
  Stack.StopGroup();
  A.SetAreaStyle(TGvAreaStyle::Cross);
  Stack.StopGroup();
  EXPECT_EQ(Stack.UndoCount(), 1);
  EXPECT_EQ(Stack.UndoComment(0), QStringLiteral("Area look"));

  Stack.Undo();
  EXPECT_FALSE(A.Visible());
  EXPECT_EQ(A.ForeColor(), GvColors::LightGray);
  EXPECT_FALSE(A.Gradient()->Visible());
  EXPECT_EQ(A.AreaStyle(), TGvAreaStyle::Total);
  Stack.Redo();
  EXPECT_TRUE(A.Visible());
  EXPECT_TRUE(A.Gradient()->Visible());
  EXPECT_EQ(A.AreaStyle(), TGvAreaStyle::Cross);
}

TEST_P(UndoStack, ANewChangeAfterUndoForgetsTheUndoneBranch)
{
  TGvLineSettings L;
  L.SetUndoStack(&Stack);
  L.SetColor(GvColors::Blue);
  L.SetColor(GvColors::Navy);
  L.SetColor(GvColors::Yellow);
  Stack.Undo(1);
  EXPECT_EQ(Stack.RedoCount(), 2);
  L.SetWidth(3);
  EXPECT_EQ(Stack.RedoCount(), 0);
  EXPECT_FALSE(Stack.CanRedo());
  EXPECT_EQ(Stack.UndoCount(), 2);
  Stack.Undo();
  EXPECT_EQ(L.Width(), 1.0f);
  EXPECT_EQ(L.Color(), GvColors::Blue);
  Stack.Undo();
  EXPECT_EQ(L.Color(), GvColors::Red);
}

TEST_P(UndoStack, LimitKeepsTheNewestGroupsOnly)
{
  Stack.SetLimit(3);
  TGvGradientSettings G;
  G.SetUndoStack(&Stack);
  for (int I = 1; I <= 5; ++I) G.SetLinearAngle(float(I * 10));
  EXPECT_EQ(Stack.UndoCount(), 3);
  Stack.Undo(10); // beyond the history: limited to what is there
  EXPECT_EQ(G.LinearAngle(), 20.0f);
  EXPECT_FALSE(Stack.CanUndo());
  Stack.Redo(10);
  EXPECT_EQ(G.LinearAngle(), 50.0f);
}

TEST_P(UndoStack, RecordsNothingWhileDisabledOrSuspended)
{
  TGvLineSettings L;
  L.SetUndoStack(&Stack);
  Stack.SetEnabled(false);
  L.SetColor(GvColors::Blue);
  Stack.StartGroup(QStringLiteral("x"));
  EXPECT_EQ(Stack.UndoCount(), 0);
  EXPECT_EQ(Stack.GroupLevel(), 0);
  Stack.SetEnabled(true);
  {
    TGvUndoSuspendScope Suspend(&Stack);
    L.SetColor(GvColors::Navy);
  }
  EXPECT_EQ(Stack.UndoCount(), 0);
  // Reading a saved block is loading: nothing is recorded either.
  QBuffer B;
  B.open(QIODevice::ReadWrite);
  TGvLineSettings Other;
  Other.SetWidth(4);
  TGvStreamWriter W(B);
  ToStream(W, Other);
  B.seek(0);
  TGvStreamReader R(B);
  FromStream(R, L);
  EXPECT_EQ(L.Width(), 4.0f);
  EXPECT_EQ(Stack.UndoCount(), 0);
  TGvDoubleVector V;
  V.SetUndoStack(&Stack);
  {
    TGvLoadingScope Loading(&V);
    V.SetIncrement(512);
  }
  EXPECT_EQ(Stack.UndoCount(), 0);
  V.SetIncrement(1024);
  EXPECT_EQ(Stack.UndoCount(), 1);
}

TEST_P(UndoStack, FailuresOfRecording)
{
  TGvLineSettings L;
  try {
    Stack.PushProperty(&L, QStringLiteral("c"), "Colour");
    FAIL();
  } catch (const EGvError& E) {
    EXPECT_EQ(E.Message(), QStringLiteral("Property: \"Colour\" not found"));
  }
  try {
    Stack.StopGroup();
    FAIL();
  } catch (const EGvError& E) {
    EXPECT_EQ(E.Message(), QStringLiteral("Undo stack has too many StopGroup statements"));
  }
  // The refused StopGroup wrote nothing.
  EXPECT_EQ(Stack.UndoCount(), 0);
  TGvDoubleVector Unnamed;
  try {
    Stack.PushFreeComponent(&Unnamed, QStringLiteral("new"));
    FAIL();
  } catch (const EGvError& E) {
    EXPECT_EQ(E.Message(), QStringLiteral("Component does not have a name"));
  }
  EXPECT_EQ(Stack.UndoCount(), 0);
  TUndoProbe P;
  P.SetNumbers({QVariant(QVariantList{1, 2})});
  EXPECT_THROW(Stack.PushProperty(&P, QStringLiteral("n"), "Numbers"), EGvError);
}

TEST_P(UndoStack, AnErrorWhileUndoingClearsTheStackAndIsRaisedAgain)
{
  TUndoProbe P;
  P.SetUndoStack(&Stack);
  P.SetValue(1);
  P.SetValue(2);
  QSignalSpy Undone(&Stack, &TGvUndoStack::OnUndo);
  P.FailOnSet = true;
  EXPECT_THROW(Stack.Undo(), EGvError);
  EXPECT_EQ(Undone.count(), 0);
  EXPECT_EQ(Stack.UndoCount(), 0);
  EXPECT_FALSE(Stack.CanUndo());
  EXPECT_FALSE(Stack.CanRedo());
  EXPECT_FALSE(Stack.IsRestoring());
  // The stack works again afterwards.
  P.FailOnSet = false;
  P.SetValue(3);
  Stack.Undo();
  EXPECT_EQ(P.Value(), 2);
  EXPECT_EQ(Undone.count(), 1);
}

TEST_P(UndoStack, VectorStatesRestoreTheContentBitForBit)
{
  TGvDoubleVector V;
  V.SetUndoStack(&Stack);
  V.AddRange({1.5, -0.0, std::numeric_limits<double>::quiet_NaN(), 1e-310, 3});
  V.AddOutlier(3);
  const std::vector<double> Before = Values(V);
  Stack.PushVectorState(&V, QStringLiteral("Graph series data"));
  V.Clear(true);
  V.AddRange({7, 8});
  const std::vector<double> After = Values(V);

  Stack.Undo();
  EXPECT_TRUE(SameBits(Values(V), Before));
  EXPECT_TRUE(V.IsOutlier(3));
  Stack.Redo();
  EXPECT_TRUE(SameBits(Values(V), After));
  EXPECT_FALSE(V.AnyOutliers());
  Stack.Undo();
  EXPECT_TRUE(SameBits(Values(V), Before));
}

TEST_P(UndoStack, AnObjectThatIsGoneIsPassedOverAndNeverReachedThroughItsNumber)
{
  TGvLineSettings Kept;
  Kept.SetUndoStack(&Stack);
  auto Gone = std::make_unique<TGvLineSettings>();
  Gone->SetUndoStack(&Stack);
  Stack.StartGroup(QStringLiteral("two"));
  Kept.SetColor(GvColors::Blue);
  Gone->SetColor(GvColors::Blue);
  Stack.StopGroup();
  const uint32_t OldId = Stack.Identity(Gone.get());
  Gone.reset();
  // Whatever comes to live at the old address is another object.
  auto Newcomer = std::make_unique<TGvLineSettings>();
  Newcomer->SetColor(GvColors::Yellow);
  EXPECT_NE(Stack.Identity(Newcomer.get()), OldId);

  Stack.Undo();
  EXPECT_EQ(Kept.Color(), GvColors::Red);
  EXPECT_EQ(Newcomer->Color(), GvColors::Yellow);
  Stack.Redo();
  EXPECT_EQ(Kept.Color(), GvColors::Blue);
}

TEST_P(UndoStack, ComponentsAreFreedAndMadeAgain)
{
  QObject Holder(QCoreApplication::instance());
  Holder.setObjectName(QStringLiteral("UndoHolder"));
  auto* V = new TGvDoubleVector(&Holder);
  V->setObjectName(QStringLiteral("Data1"));
  V->AddRange({1, 2, 3});
  // The vector was just created: undo frees it, redo makes it again.
  Stack.PushFreeComponent(V, QStringLiteral("New vector"));
  QPointer<TGvDoubleVector> P(V);
  Stack.Undo();
  EXPECT_TRUE(P.isNull());
  EXPECT_EQ(Holder.findChild<TGvDoubleVector*>(QStringLiteral("Data1")), nullptr);
  Stack.Redo();
  auto* Again = Holder.findChild<TGvDoubleVector*>(QStringLiteral("Data1"));
  ASSERT_NE(Again, nullptr);
  EXPECT_EQ(Values(*Again), std::vector<double>({1, 2, 3}));

  // A component recorded before it is freed comes back with its state.
  Stack.Clear();
  auto* Probe = new TUndoProbe(&Holder);
  Probe->setObjectName(QStringLiteral("Probe1"));
  Probe->SetValue(42);
  Probe->Line()->SetWidth(5);
  Probe->SetData(Again);
  Stack.PushComponent(Probe, QStringLiteral("Delete probe"));
  delete Probe;
  // Not a registered chart class: it cannot be made again, and that is passed over.
  Stack.Undo();
  EXPECT_EQ(Holder.findChild<TUndoProbe*>(QStringLiteral("Probe1")), nullptr);

  // A vector that is deleted after being recorded comes back.
  Stack.Clear();
  Again->SetIncrement(256);
  Stack.PushComponent(Again, QStringLiteral("Delete vector"));
  delete Again;
  Stack.Undo();
  auto* Back = Holder.findChild<TGvDoubleVector*>(QStringLiteral("Data1"));
  ASSERT_NE(Back, nullptr);
  EXPECT_EQ(Values(*Back), std::vector<double>({1, 2, 3}));
  EXPECT_EQ(Back->Increment(), 256);
  Stack.Redo();
  EXPECT_EQ(Holder.findChild<TGvDoubleVector*>(QStringLiteral("Data1")), nullptr);
}

TEST_P(UndoStack, ComponentStateOfAnExistingComponent)
{
  TUndoProbe P;
  P.SetValue(5);
  P.Line()->SetColor(GvColors::Blue);
  P.Line()->Gradient()->SetLinearAngle(33);
  Stack.PushComponent(&P, QStringLiteral("Probe"));
  P.SetValue(6);
  P.Line()->SetColor(GvColors::Yellow);
  P.Line()->Gradient()->SetLinearAngle(44);
  Stack.Undo();
  EXPECT_EQ(P.Value(), 5);
  EXPECT_EQ(P.Line()->Color(), GvColors::Blue);
  EXPECT_EQ(P.Line()->Gradient()->LinearAngle(), 33.0f);
  Stack.Redo();
  EXPECT_EQ(P.Value(), 6);
  EXPECT_EQ(P.Line()->Gradient()->LinearAngle(), 44.0f);
}

TEST_P(UndoStack, EditStates)
{
  QLineEdit E;
  E.setText(QStringLiteral("abcdef"));
  Stack.PushEditState(&E, E.text(), 1, 2, QStringLiteral("Typing"));
  E.setText(QStringLiteral("xyz"));
  Stack.Undo();
  EXPECT_EQ(E.text(), QStringLiteral("abcdef"));
  EXPECT_EQ(E.selectionStart(), 1);
  EXPECT_EQ(E.selectedText(), QStringLiteral("bc"));
  Stack.Redo();
  EXPECT_EQ(E.text(), QStringLiteral("xyz"));
}

TEST_P(UndoStack, CommentListsMostRecentFirstAndReadOnly)
{
  TGvLineSettings L;
  L.SetUndoStack(&Stack);
  L.SetColor(GvColors::Blue);
  L.SetWidth(2);
  L.SetDashStyle(TGvDashStyle::Dot);
  EXPECT_EQ(Stack.UndoList().ToStringList(),
            QStringList({QStringLiteral("Line dash style"), QStringLiteral("Line width"),
                         QStringLiteral("Line color")}));
  Stack.Undo(1);
  EXPECT_EQ(Stack.UndoList().ToStringList(), QStringList({QStringLiteral("Line color")}));
  EXPECT_EQ(Stack.RedoList().ToStringList(),
            QStringList({QStringLiteral("Line width"), QStringLiteral("Line dash style")}));
  EXPECT_EQ(Stack.RedoComment(Stack.RedoCount() - 1), QStringLiteral("Line width"));
  auto& List = const_cast<TGvUndoList&>(Stack.UndoList());
  List.Clear();
  List.Delete(0);
  EXPECT_EQ(List.Count(), 1);
  EXPECT_THROW(Stack.UndoComment(3), EGvRangeError);
  Stack.ClearRedo();
  EXPECT_EQ(Stack.RedoCount(), 0);
  EXPECT_EQ(Stack.UndoCount(), 1);
}

TEST_P(UndoStack, DroppingOldGroupsKeepsTheStorageSmall)
{
  Stack.SetLimit(5);
  TGvDoubleVector V;
  std::vector<double> Big(200000, 0.5);
  V.SetValues(Big);
  Stack.PushVectorState(&V, QStringLiteral("Big"));
  const qint64 WithBig = Stack.StoredBytes();
  EXPECT_GT(WithBig, qint64(Big.size() * 8));
  TGvLineSettings L;
  L.SetUndoStack(&Stack);
  for (int I = 0; I < 200; ++I) L.SetWidth(float(I + 2));
  EXPECT_EQ(Stack.UndoCount(), 5);
  EXPECT_LT(Stack.StoredBytes(), 2000);
  if (!GetParam()) {
    // The dead bytes of the file went with a compaction.
    EXPECT_LT(Stack.FileBytes(), qint64(1) << 20);
  }
  Stack.Undo(4);
  EXPECT_EQ(L.Width(), 196.0f);
}

TEST(UndoStackFiles, TemporaryFilesAreNamedAfterTheProgramAndRemoved)
{
  QStringList Names;
  {
    TGvUndoStack Stack;
    Stack.SetToMemoryStream(false);
    TGvLineSettings L;
    L.SetUndoStack(&Stack);
    L.SetColor(GvColors::Blue);
    Stack.Undo();
    Names = Stack.FileNames();
    ASSERT_EQ(Names.size(), 2);
    for (const QString& N : Names) {
      EXPECT_TRUE(QFileInfo::exists(N));
      EXPECT_TRUE(QFileInfo(N).fileName().contains(QStringLiteral(".GvUndoStack.")));
      EXPECT_EQ(QFileInfo(N).absolutePath(), QFileInfo(GetTemporaryPath()).absoluteFilePath());
    }
    EXPECT_NE(Names[0], Names[1]);
  }
  for (const QString& N : Names) EXPECT_FALSE(QFileInfo::exists(N));
}

TEST(UndoStackEntries, MalformedEntriesFailCleanly)
{
  TGvUndoStack Stack;
  TGvLineSettings L;
  QBuffer B;
  B.open(QIODevice::ReadWrite);
  TGvStreamWriter W(B);
  W.WriteString(QStringLiteral("c"));
  W.WriteByte(0);
  W.WriteString(QString());
  W.WriteUInt32(Stack.Identity(&L));
  W.WriteString(QStringLiteral("Color"));
  W.WriteByte(4); // a float where a colour was expected: passed over
  W.WriteFloat32(1);
  B.seek(0);
  Stack.ReplayEntry(B);
  EXPECT_EQ(L.Color(), GvColors::Red);
  // Cut short, and an unknown token.
  for (const QByteArray& Bytes :
       {B.data().left(B.data().size() - 2), QByteArray("\0\0\0\0\x63", 5)}) {
    QBuffer C;
    C.setData(Bytes);
    C.open(QIODevice::ReadOnly);
    EXPECT_THROW(Stack.ReplayEntry(C), EGvReadError);
  }
  EXPECT_FALSE(Stack.IsRestoring());
}

TEST(UndoStackEntries, AnEntryFreesOnlyWhatTheStackWasToldItMayFree)
{
  TGvUndoStack Stack;
  TGvDoubleVector OnTheStack; // not on the heap: freeing it would be fatal
  OnTheStack.setObjectName(QStringLiteral("Data1"));
  QBuffer B;
  B.open(QIODevice::ReadWrite);
  TGvStreamWriter W(B);
  W.WriteString(QStringLiteral("c"));
  W.WriteByte(uint8_t(TGvUndoToken::FreeComponent));
  W.WriteString(QString());
  W.WriteUInt32(Stack.Identity(&OnTheStack));
  B.seek(0);
  Stack.ReplayEntry(B);
  EXPECT_EQ(OnTheStack.objectName(), QStringLiteral("Data1"));
  // A component entry for an object that is gone, with no owner anywhere,
  // makes nothing (nothing would own it).
  QBuffer C;
  C.open(QIODevice::ReadWrite);
  TGvStreamWriter WC(C);
  WC.WriteString(QStringLiteral("c"));
  WC.WriteByte(uint8_t(TGvUndoToken::Component));
  WC.WriteString(QString());
  WC.WriteUInt32(999);
  WC.WriteString(QStringLiteral("TGvDoubleVector"));
  WC.WriteBool(false);
  WC.WriteString(QStringLiteral("Orphan"));
  WC.WriteByte(0);
  WC.WriteInt32(0);
  C.seek(0);
  Stack.ReplayEntry(C);
  EXPECT_EQ(Stack.children().size(), 0);
}

} // namespace
