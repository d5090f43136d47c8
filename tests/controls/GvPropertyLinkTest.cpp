#include "WidgetTestSupport.h"

#include "controls/GvFloatEdit.h"
#include "controls/GvIntegerEdit.h"
#include "controls/GvPropertyLink.h"

#include <QPointer>

namespace {

// An object with properties of the kinds the links handle; counts writes.
class LinkTarget : public QObject
{
  Q_OBJECT
  Q_PROPERTY(int Count READ Count WRITE SetCount)
  Q_PROPERTY(double Ratio READ Ratio WRITE SetRatio)
  Q_PROPERTY(QObject* Child READ Child)
  Q_PROPERTY(QObject* NoChild READ NoChild)

public:
  explicit LinkTarget(const QString& Name, QObject* Parent = nullptr) : QObject(Parent)
  {
    setObjectName(Name);
  }
  int Count() const { return FCount; }
  void SetCount(int V)
  {
    FCount = V;
    ++Writes;
  }
  double Ratio() const { return FRatio; }
  void SetRatio(double V)
  {
    FRatio = V;
    ++Writes;
  }
  QObject* Child() const { return FChild; }
  QObject* NoChild() const { return nullptr; }

  int FCount = 0;
  double FRatio = 0;
  QObject* FChild = nullptr;
  int Writes = 0;
};

// A second top-level widget, "FormLinks", with the link targets:
// Target (a direct child), Panel.Deep (a grandchild), and Inner, reachable
// only through Target's Child property.
class PropertyLinkTest : public WidgetTest
{
protected:
  PropertyLinkTest()
  {
    Form.setObjectName(QStringLiteral("FormLinks"));
    Target = new LinkTarget(QStringLiteral("Target"), &Form);
    QWidget* panel = new QWidget(&Form);
    panel->setObjectName(QStringLiteral("Panel"));
    Deep = new LinkTarget(QStringLiteral("Deep"), panel);
    Target->FChild = &Inner;
  }

  TGvIntegerEdit* MakeLinked(const QStringList& Paths, int Min = 0, int Max = 0)
  {
    TGvIntegerEdit* e = Add<TGvIntegerEdit>();
    e->SetMinValue(Min);
    e->SetMaxValue(Max);
    e->PropertyLinks()->SetItems(Paths);
    e->Loaded();
    return e;
  }

  QWidget Form;
  LinkTarget Inner{QStringLiteral("Inner")};
  LinkTarget* Target = nullptr;
  LinkTarget* Deep = nullptr;
};

TEST_F(PropertyLinkTest, ControlWithoutPathsTouchesNothing)
{
  TGvIntegerEdit* e = Add<TGvIntegerEdit>();
  TGvPropertyLinks* links = e->PropertyLinks();
  EXPECT_EQ(links->ManagedInstance(), e);
  EXPECT_EQ(links->ManagedProperty(), "Value");
  EXPECT_EQ(links->TypeFilter(), "int");
  EXPECT_EQ(links->TypeKind(), TGvTypeKind::Integer);
  e->Loaded();
  e->SetValue(5);
  links->SetLink(9);
  RunIdle();
  EXPECT_TRUE(links->PropRecs().empty());
  EXPECT_EQ(Target->Writes + Deep->Writes + Inner.Writes, 0);
  EXPECT_EQ(e->Value(), 5);
}

TEST_F(PropertyLinkTest, LoadedPullsTheFirstTargetAndPushesToAll)
{
  Target->FCount = 7;
  TGvIntegerEdit* e = MakeLinked({"FormLinks.Target.Count", "FormLinks.Panel.Deep.Ratio",
                                  "FormLinks.Target.Child.Ratio", "FormLinks.Deep.Count"});
  EXPECT_EQ(e->Value(), 7);
  EXPECT_EQ(Deep->FRatio, 7.0);
  EXPECT_EQ(Inner.FRatio, 7.0);
  EXPECT_EQ(Deep->FCount, 7);

  Enter(e);
  QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(e, "12");
  EXPECT_EQ(Target->FCount, 12);
  EXPECT_EQ(Deep->FRatio, 12.0);
  EXPECT_EQ(Inner.FRatio, 12.0);
  EXPECT_EQ(Deep->FCount, 12);
}

TEST_F(PropertyLinkTest, UnresolvedPathsAreSkipped)
{
  const QStringList bad = {"NoForm.Target.Count",
                           "FormLinks.Targt.Count",
                           "FormLinks.Target.Cont",
                           "FormLinks..Count",
                           "",
                           "FormLinks.Target.Count.",
                           "FormLinks.Target.NoChild.Ratio"};
  QStringList paths = bad;
  paths.append("FormLinks.Deep.Count");
  TGvIntegerEdit* e = MakeLinked(paths);
  const std::vector<TGvPropertyRec>& recs = e->PropertyLinks()->PropRecs();
  ASSERT_EQ(recs.size(), size_t(paths.size()));
  for (qsizetype i = 0; i < bad.size(); ++i) {
    SCOPED_TRACE(bad[i].toStdString());
    EXPECT_TRUE(recs[size_t(i)].Instance.isNull());
    EXPECT_FALSE(recs[size_t(i)].PropInfo.isValid());
  }
  e->SetValue(33);
  EXPECT_EQ(Deep->FCount, 33);
  EXPECT_EQ(Target->Writes, 0);
}

TEST_F(PropertyLinkTest, PathEndingAtAnObjectResolvesWithoutAProperty)
{
  TGvIntegerEdit* e = MakeLinked({"FormLinks.Target", "FormLinks.Target.Child"});
  const std::vector<TGvPropertyRec>& recs = e->PropertyLinks()->PropRecs();
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0].Instance, Target);
  EXPECT_EQ(recs[1].Instance, &Inner);
  EXPECT_EQ(recs[1].TheComponent, Target);
  EXPECT_FALSE(recs[0].PropInfo.isValid());
  e->SetValue(4);
  EXPECT_EQ(Target->Writes + Inner.Writes, 0);
}

TEST_F(PropertyLinkTest, IdleCheckWatchesOnlyTheFirstPath)
{
  TGvIntegerEdit* e = MakeLinked({"FormLinks.Target.Count", "FormLinks.Deep.Count"});
  std::vector<double>& log = Log(e);
  Target->FCount = 21;
  RunIdle();
  EXPECT_EQ(e->Value(), 21);
  EXPECT_EQ(log, (std::vector<double>{21}));
  EXPECT_EQ(Deep->FCount, 21);
  Deep->FCount = 5;
  RunIdle();
  EXPECT_EQ(e->Value(), 21);
  e->SetValue(22);
  EXPECT_EQ(Deep->FCount, 22);
  RunIdle();
  EXPECT_EQ(log.size(), 2u); // nothing changed elsewhere
}

TEST_F(PropertyLinkTest, PulledValueIsClampedAndPushedBack)
{
  Target->FCount = 100;
  TGvIntegerEdit* e = MakeLinked({"FormLinks.Target.Count"}, 0, 60);
  EXPECT_EQ(e->Value(), 60);
  EXPECT_EQ(Target->FCount, 60);
}

TEST_F(PropertyLinkTest, CorrectionOnLeavingReachesTheTargets)
{
  Target->FCount = 24;
  TGvIntegerEdit* e = MakeLinked({"FormLinks.Target.Count"}, 1, 72);
  Enter(e);
  QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(e, "100");
  EXPECT_EQ(Target->FCount, 10);
  Leave();
  EXPECT_EQ(Target->FCount, 72);
  RunIdle();
  EXPECT_EQ(e->Value(), 72);
}

TEST_F(PropertyLinkTest, PathsSetLaterResolveOnTheNextIdle)
{
  TGvDoubleEdit* d = Add<TGvDoubleEdit>();
  d->Loaded();
  Deep->FRatio = 0.25;
  d->PropertyLinks()->SetItems({"FormLinks.Panel.Deep.Ratio"});
  RunIdle();
  EXPECT_EQ(d->Value(), 0.25);
  EXPECT_EQ(d->PropertyLinks()->TypeKind(), TGvTypeKind::Float);
  d->SetValue(1.5);
  EXPECT_EQ(Deep->FRatio, 1.5);
}

TEST_F(PropertyLinkTest, DestroyedTargetIsNotWritten)
{
  TGvIntegerEdit* e = MakeLinked({"FormLinks.Target.Count", "FormLinks.Deep.Count"});
  delete Deep;
  Deep = nullptr;
  e->SetValue(3);
  EXPECT_EQ(Target->FCount, 3);
  delete Target;
  Target = nullptr;
  RunIdle();
  e->SetValue(4);
  EXPECT_EQ(e->Value(), 4);
}

TEST_F(PropertyLinkTest, LinksBackToTheControlEnd)
{
  TGvIntegerEdit* a = Add<TGvIntegerEdit>();
  a->setObjectName("A");
  TGvIntegerEdit* b = Add<TGvIntegerEdit>();
  b->setObjectName("B");
  a->PropertyLinks()->SetItems({"WindowControls.B.Value", "WindowControls.A.Value"});
  b->PropertyLinks()->SetItems({"WindowControls.A.Value"});
  a->Loaded();
  b->Loaded();
  a->SetValue(8);
  EXPECT_EQ(b->Value(), 8);
  b->SetValue(9);
  EXPECT_EQ(a->Value(), 9);
  RunIdle();
  EXPECT_EQ(a->Value(), 9);
  EXPECT_EQ(b->Value(), 9);
}

TEST_F(PropertyLinkTest, UpdateLinkNamesWritesTheFullChain)
{
  TGvIntegerEdit* e = MakeLinked(
      {"FormLinks.Deep.Count", "FormLinks.Target.Child.Ratio", "FormLinks.Nothing.Count"});
  e->PropertyLinks()->UpdateLinkNames();
  EXPECT_EQ(e->PropertyLinks()->Items(),
            (QStringList{"FormLinks.Panel.Deep.Count", "FormLinks.Target.Child.Ratio",
                         "FormLinks.Nothing.Count"}));
}

} // namespace

#include "GvPropertyLinkTest.moc"
