// The saved forms of a vector: stream, XML, ini, file and the form property
// "Values"; and what bad input does to them.
#include "chart/GvVectors.h"

#include "VectorTestSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDomDocument>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

// A form named under the application, holding the vectors of a test.
class VectorForms : public ::testing::Test
{
protected:
  void SetUp() override
  {
    Form = std::make_unique<QObject>();
    Form->setObjectName("FormVec");
    Form->setParent(QCoreApplication::instance());
    V = new TGvDoubleVector(Form.get());
    V->SetName("V1");
  }
  void TearDown() override { Form.reset(); }

  // A second vector to read into, with content of its own.
  TGvDoubleVector* Other()
  {
    auto* W = new TGvDoubleVector(Form.get());
    W->SetName(UniqueName(Form.get(), "W"));
    W->AddRange({9, 8, 7});
    W->AddOutlier(0);
    return W;
  }

  static QByteArray StreamOf(const TGvDoubleVector& Vector)
  {
    QBuffer B;
    B.open(QIODevice::WriteOnly);
    Vector.WriteTo(static_cast<QIODevice&>(B));
    return B.data();
  }
  static void ReadStream(TGvDoubleVector& Vector, const QByteArray& Bytes)
  {
    QBuffer B;
    B.setData(Bytes);
    B.open(QIODevice::ReadOnly);
    Vector.ReadFrom(static_cast<QIODevice&>(B));
  }

  std::unique_ptr<QObject> Form;
  TGvDoubleVector* V = nullptr;
};

// The content a failed reading must leave as it was.
struct TState
{
  std::vector<double> Values;
  std::vector<int> Outliers;
  int Increment, Capacity;
  bool Bound;
  explicit TState(const TGvDoubleVector& V)
      : Values(V.StoredValues().begin(), V.StoredValues().end()),
        Outliers(V.Outliers().Data(), V.Outliers().Data() + V.Outliers().Count()),
        Increment(V.Increment()), Capacity(V.Capacity()), Bound(V.IsBound())
  {
  }
  bool operator==(const TState&) const = default;
};

// A device that cannot tell its size, as a pipe or socket.
class TSequentialDevice : public QIODevice
{
public:
  explicit TSequentialDevice(QByteArray Bytes) : FBytes(std::move(Bytes)) { open(ReadOnly); }
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override
  {
    return FBytes.size() - FPos + QIODevice::bytesAvailable();
  }

protected:
  qint64 readData(char* Data, qint64 Max) override
  {
    const qint64 N = std::min(Max, qint64(FBytes.size()) - FPos);
    if (N <= 0) return 0;
    memcpy(Data, FBytes.constData() + FPos, size_t(N));
    FPos += N;
    return N;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

private:
  QByteArray FBytes;
  qint64 FPos = 0;
};

TEST_F(VectorForms, StreamLayout)
{
  V->SetIncrement(256);
  V->AddRange({1.5, -2});
  V->AddOutlier(1);
  EXPECT_EQ(StreamOf(*V).toHex(), QByteArray("0a000000"
                                             "466f726d5665632e5631" // "FormVec.V1"
                                             "00010000"             // increment 256
                                             "80000000"             // capacity 128
                                             "00"                   // not bound
                                             "02000000"             // two values
                                             "000000000000f83f"     // 1.5
                                             "00000000000000c0"     // -2
                                             "01"                   // outliers follow
                                             "01000000"             // one of them
                                             "01000000"             // index 1
                                             "00"));                // end
}

TEST_F(VectorForms, StreamRoundTripEndsWithOneReset)
{
  V->SetIncrement(512);
  for (int I = 0; I < 1000; ++I) V->Add(I * 0.25);
  V->AddOutlier(7);
  V->AddOutlier(3);
  V->SetCapacity(5000);
  const QByteArray Bytes = StreamOf(*V);

  TGvDoubleVector* W = Other();
  TRecorder S(TRecorder::Series, W);
  W->AddRelatedObject(&S);
  ReadStream(*W, Bytes);
  EXPECT_EQ(S.Calls(), "ClearLinkedMarkers RangesModified SetLastCount(0)");
  EXPECT_EQ(TState(*W), TState(*V));
  EXPECT_EQ(W->Outliers()[0], 7); // in list order
  EXPECT_EQ(W->Sum(), V->Sum());
}

TEST_F(VectorForms, StreamFormsFollowEachOtherInOneStream)
{
  V->AddRange({1, 2});
  TGvDoubleVector* W = Other();
  QBuffer B;
  B.open(QIODevice::ReadWrite);
  TGvStreamWriter Writer(B);
  V->WriteTo(Writer);
  W->WriteTo(Writer);
  Writer.WriteInt32(77);
  B.seek(0);
  TGvStreamReader Reader(B);
  TGvDoubleVector A, C;
  A.ReadFrom(Reader);
  C.ReadFrom(Reader);
  EXPECT_EQ(Reader.ReadInt32(), 77);
  EXPECT_EQ(TState(A).Values, TState(*V).Values);
  EXPECT_EQ(TState(C), TState(*W));
}

TEST_F(VectorForms, EveryTruncatedStreamFailsAndLeavesTheVectorAsItWas)
{
  V->AddRange({1, 2, 3});
  V->AddOutlier(2);
  const QByteArray Bytes = StreamOf(*V);
  TGvDoubleVector* W = Other();
  const TState Before(*W);
  TRecorder S(TRecorder::Series, W);
  W->AddRelatedObject(&S);
  for (int N = 0; N < Bytes.size(); ++N) {
    EXPECT_THROW(ReadStream(*W, Bytes.left(N)), EGvReadError) << N;
    TSequentialDevice Pipe(Bytes.left(N));
    EXPECT_THROW(W->ReadFrom(Pipe), EGvReadError) << N;
    ASSERT_EQ(TState(*W), Before) << N;
  }
  EXPECT_EQ(S.Calls(), "");
}

// The values come as one block from a random-access device, straight from the
// memory of a buffer where they lie aligned (some of the offsets below), and
// in pieces from a pipe (more values than one piece).
TEST_F(VectorForms, ValuesReadAtEveryOffsetFromABufferAndInPiecesFromAPipe)
{
  std::vector<double> Values(70001);
  for (std::size_t I = 0; I < Values.size(); ++I) Values[I] = std::sin(double(I)) * 1e3 + 1e-9 * I;
  V->AddRange(std::span<const double>(Values));
  const QByteArray Form = StreamOf(*V);
  for (int Offset = 0; Offset < 8; ++Offset) {
    const QByteArray Bytes = QByteArray(Offset, 'x') + Form + QByteArray("tail");
    QBuffer B;
    B.setData(Bytes);
    B.open(QIODevice::ReadOnly);
    B.seek(Offset);
    TGvDoubleVector A;
    A.ReadFrom(B);
    EXPECT_EQ(TState(A).Values, Values) << Offset;
    EXPECT_EQ(B.read(4), QByteArray("tail")) << Offset;

    TSequentialDevice Pipe(Bytes);
    if (Offset > 0) Pipe.read(Offset);
    TGvDoubleVector C;
    C.ReadFrom(Pipe);
    EXPECT_EQ(TState(C).Values, Values) << Offset;
    EXPECT_EQ(Pipe.read(4), QByteArray("tail")) << Offset;
  }
}

// A stream of the header fields, then Count and what follows.
QByteArray Header(int32_t Count)
{
  QBuffer B;
  B.open(QIODevice::WriteOnly);
  TGvStreamWriter W(B);
  W.WriteString("V");
  W.WriteInt32(128);
  W.WriteInt32(128);
  W.WriteByte(0);
  W.WriteInt32(Count);
  return B.data();
}

TEST_F(VectorForms, CountsBeyondTheDataOrBelowZeroAreRefused)
{
  TGvDoubleVector* W = Other();
  const TState Before(*W);
  QByteArray NoOutliers = QByteArray("\0\0", 2);
  QByteArray OneValue = QByteArray(8, '\0');
  struct TCase
  {
    const char* Name;
    QByteArray Bytes;
  } Cases[] = {
      {"two billion values", Header(2000000000) + OneValue + NoOutliers},
      {"negative count", Header(-1) + NoOutliers},
      {"most negative count", Header(INT32_MIN) + NoOutliers},
      {"two billion outliers", Header(0) +
                                   QByteArray::fromHex("01"
                                                       "00943577") +
                                   OneValue},
      {"negative outlier count", Header(0) + QByteArray::fromHex("01ffffffff00")},
      {"negative outlier index", Header(0) + QByteArray::fromHex("0101000000ffffffff00")},
  };
  for (const TCase& C : Cases) {
    try {
      ReadStream(*W, C.Bytes);
      ADD_FAILURE() << C.Name;
    } catch (const EGvReadError& E) {
      EXPECT_FALSE(E.Message().isEmpty()) << C.Name;
    }
    // Where the size is unknown the reading stops at the end of the data.
    TSequentialDevice Pipe(C.Bytes);
    EXPECT_THROW(W->ReadFrom(Pipe), EGvReadError) << C.Name;
    EXPECT_EQ(TState(*W), Before) << C.Name;
  }
  // A good form of the same shape reads.
  ReadStream(*W, Header(1) + OneValue + NoOutliers);
  EXPECT_EQ(W->Count(), 1);
}

TEST_F(VectorForms, StoredLimitsOfIncrementAndCapacityStillApply)
{
  QByteArray Bytes = Header(0) + QByteArray("\0\0", 2);
  // Increment 64 (below the least), capacity two billion: the capacity is a
  // number only, and nothing is allocated for it.
  Bytes.replace(5, 8,
                QByteArray::fromHex("40000000"
                                    "00943577"));
  TGvDoubleVector* W = Other();
  ReadStream(*W, Bytes);
  EXPECT_EQ(W->Increment(), 128);
  EXPECT_EQ(W->Capacity(), 2000000000);
  EXPECT_EQ(W->Count(), 0);
  W->Add(1);
  EXPECT_LT(W->StoredValues().size(), 1000u);
}

TEST_F(VectorForms, XmlFormAndRoundTrip)
{
  V->AddRange({1.5, -2, 1e300});
  V->AddOutlier(2);
  QDomDocument Doc;
  QDomElement Root = Doc.createElement("Graph");
  Doc.appendChild(Root);
  V->WriteTo(Root);
  const QDomElement E = Root.firstChildElement();
  EXPECT_EQ(E.tagName(), "TGvDoubleVector");
  EXPECT_EQ(E.attribute("Name"), "FormVec.V1");
  EXPECT_EQ(E.attribute("Increment"), "128");
  EXPECT_EQ(E.attribute("Capacity"), "128");
  const QDomElement Values = E.firstChildElement();
  EXPECT_EQ(Values.tagName(), "Values");
  EXPECT_EQ(Values.attribute("Count"), "3");
  QStringList Items;
  for (QDomElement I = Values.firstChildElement("Item"); !I.isNull(); I = I.nextSiblingElement())
    Items << I.text();
  EXPECT_EQ(Items, QStringList({"1.5", "-2", "1E300"}));
  const QDomElement Outliers = Values.nextSiblingElement();
  EXPECT_EQ(Outliers.tagName(), "Outliers");
  EXPECT_EQ(Outliers.attribute("Count"), "1");
  EXPECT_EQ(Outliers.firstChildElement("Item").text(), "2");

  TGvDoubleVector* W = Other();
  TRecorder S(TRecorder::Series, W);
  W->AddRelatedObject(&S);
  W->ReadFrom(E);
  EXPECT_EQ(TState(*W), TState(*V));
  EXPECT_EQ(S.Calls(), "ClearLinkedMarkers RangesModified SetLastCount(0)");

  // The values are the items there are, whatever the count attribute says.
  QDomElement Changed = E.cloneNode().toElement();
  Changed.firstChildElement("Values").setAttribute("Count", "2000000000");
  W->ReadFrom(Changed);
  EXPECT_EQ(W->Count(), 3);
}

TEST_F(VectorForms, BadXmlFailsAndLeavesTheVectorAsItWas)
{
  struct TCase
  {
    const char* Name;
    const char* Xml;
  } Cases[] = {
      {"not a number", "<TGvDoubleVector><Values><Item>1</Item><Item>x</Item></Values>"
                       "</TGvDoubleVector>"},
      {"bad outlier", "<TGvDoubleVector><Values/><Outliers><Item>one</Item></Outliers>"
                      "</TGvDoubleVector>"},
      {"negative outlier", "<TGvDoubleVector><Values/><Outliers><Item>-1</Item></Outliers>"
                           "</TGvDoubleVector>"},
      {"bad increment", "<TGvDoubleVector Increment=\"lots\"><Values/></TGvDoubleVector>"},
      {"another element", "<TGvAxis><Values/></TGvAxis>"},
  };
  TGvDoubleVector* W = Other();
  const TState Before(*W);
  for (const TCase& C : Cases) {
    QDomDocument Doc;
    ASSERT_TRUE(Doc.setContent(QByteArray(C.Xml))) << C.Name;
    EXPECT_THROW(W->ReadFrom(Doc.documentElement()), EGvReadError) << C.Name;
    EXPECT_EQ(TState(*W), Before) << C.Name;
  }
}

TEST_F(VectorForms, IniFormAndRoundTrip)
{
  V->SetIncrement(256);
  V->AddRange({1.5, -2});
  V->AddOutlier(1);
  TGvIniFile Ini;
  V->WriteTo(Ini, "Vec");
  EXPECT_EQ(Ini.ToText(), QByteArray("[Vec]\r\nName=FormVec.V1\r\nIncrement=256\r\nCapacity=128\r\n"
                                     "FromDatabase=0\r\nValues=1.5 -2\r\nOutliers=1\r\n\r\n"));
  TGvDoubleVector* W = Other();
  TRecorder S(TRecorder::Series, W);
  W->AddRelatedObject(&S);
  W->ReadFrom(Ini, "Vec");
  EXPECT_EQ(TState(*W), TState(*V));
  EXPECT_EQ(S.Calls(), "ClearLinkedMarkers RangesModified SetLastCount(0)");

  TGvDoubleVector Empty;
  TGvIniFile E;
  Empty.WriteTo(E, "E");
  EXPECT_EQ(E.ReadString("E", "Values", ""), "None");
  EXPECT_EQ(E.ReadString("E", "Outliers", ""), "None");
  EXPECT_EQ(E.ReadString("E", "Name", "?"), "");
  W->ReadFrom(E, "E");
  EXPECT_EQ(W->Count(), 0);
  EXPECT_FALSE(W->AnyOutliers());
}

TEST_F(VectorForms, BadIniFailsAndLeavesTheVectorAsItWas)
{
  TGvDoubleVector* W = Other();
  const TState Before(*W);
  struct TCase
  {
    const char* Name;
    const char* Text;
  } Cases[] = {
      {"not a number", "[V]\r\nValues=1 x 3\r\n"},
      {"bad outlier", "[V]\r\nValues=1\r\nOutliers=0 z\r\n"},
      {"negative outlier", "[V]\r\nValues=1\r\nOutliers=-2\r\n"},
      {"no such section", "[Other]\r\nValues=1\r\n"},
  };
  for (const TCase& C : Cases) {
    TGvIniFile Ini;
    Ini.FromText(C.Text);
    EXPECT_THROW(W->ReadFrom(Ini, "V"), EGvReadError) << C.Name;
    EXPECT_EQ(TState(*W), Before) << C.Name;
  }
}

TEST_F(VectorForms, ValuesThatAreNotFiniteReadBackFromTheTextForms)
{
  const double Inf = std::numeric_limits<double>::infinity();
  V->AddRange({std::numeric_limits<double>::quiet_NaN(), Inf, -Inf, 0.1});
  TGvIniFile Ini;
  V->WriteTo(Ini, "V");
  EXPECT_EQ(Ini.ReadString("V", "Values", ""), "NAN INF -INF 0.1");
  QDomDocument Doc;
  QDomElement Root = Doc.createElement("R");
  V->WriteTo(Root);
  for (int Form = 0; Form < 2; ++Form) {
    TGvDoubleVector* W = Other();
    if (Form == 0)
      W->ReadFrom(Ini, "V");
    else
      W->ReadFrom(Root.firstChildElement());
    ASSERT_EQ(W->Count(), 4);
    EXPECT_TRUE(std::isnan(W->Value(0)));
    EXPECT_EQ(W->Value(1), Inf);
    EXPECT_EQ(W->Value(2), -Inf);
    EXPECT_EQ(W->Value(3), 0.1);
  }
}

TEST_F(VectorForms, FilesRoundTripAndAMissingFileRaises)
{
  V->AddRange({3, 4});
  QTemporaryDir Dir;
  const QString Name = Dir.filePath("v.bin");
  V->WriteTo(Name);
  TGvDoubleVector* W = Other();
  W->ReadFrom(Name);
  EXPECT_EQ(TState(*W), TState(*V));
  EXPECT_THROW(W->ReadFrom(Dir.filePath("missing.bin")), EGvReadError);
  EXPECT_THROW(V->WriteTo(Dir.filePath("no/such/folder/v.bin")), EGvError);
}

TEST_F(VectorForms, ValuesProperty)
{
  V->AddRange({1.5, -2});
  EXPECT_FALSE(V->ValuesPropertyStored());
  EXPECT_TRUE(V->ValuesProperty().isEmpty());
  V->SetPersistentValues(true);
  EXPECT_TRUE(V->ValuesPropertyStored());
  EXPECT_EQ(V->ValuesProperty(), QStringList({"1.5", "-2"}));

  // Strings and numbers are read; an item that cannot be read keeps its place
  // as 0 marked as outlier, so that it is neither plotted nor fitted.
  TGvDoubleVector W;
  TRecorder S(TRecorder::Series, &W);
  W.AddRelatedObject(&S);
  W.ReadValuesProperty({QString("1.5"), 2.0, QString("abc"), QVariant(), 3, QByteArray("4")});
  EXPECT_EQ(TState(W).Values, (std::vector<double>{1.5, 2, 0, 0, 3, 4}));
  EXPECT_EQ(TState(W).Outliers, (std::vector<int>{2, 3}));
  EXPECT_EQ(W.Sum(), 10.5);
  EXPECT_EQ(S.Calls(), "SetLastCount(0)");
}

TEST_F(VectorForms, BoundFormsNameTheDataSource)
{
  auto* Source = new TGvDataSource(Form.get());
  Source->SetName("DS1");
  V->SetDataSource(Source);
  V->SetDataField("Temperature");
  V->AddOutlier(4);
  ASSERT_TRUE(V->IsBound());

  const QByteArray Bytes = StreamOf(*V);
  EXPECT_TRUE(Bytes.contains("FormVec.DS1"));
  TGvDoubleVector* W = Other();
  ReadStream(*W, Bytes);
  EXPECT_EQ(W->DataSource(), Source);
  EXPECT_EQ(W->DataField(), "Temperature");
  EXPECT_TRUE(W->IsBound());
  EXPECT_TRUE(W->IsReloadPending());
  EXPECT_EQ(W->Count(), 0);
  EXPECT_TRUE(W->IsOutlier(4));

  QDomDocument Doc;
  QDomElement Root = Doc.createElement("R");
  V->WriteTo(Root);
  const QDomElement Db = Root.firstChildElement().firstChildElement();
  EXPECT_EQ(Db.tagName(), "Database");
  EXPECT_EQ(Db.attribute("DataSource"), "FormVec.DS1");
  EXPECT_EQ(Db.attribute("DataField"), "Temperature");
  TGvDoubleVector* X = Other();
  X->ReadFrom(Root.firstChildElement());
  EXPECT_EQ(X->DataSource(), Source);

  TGvIniFile Ini;
  V->WriteTo(Ini, "V");
  EXPECT_EQ(Ini.ReadString("V", "FromDatabase", ""), "1");
  EXPECT_EQ(Ini.ReadString("V", "DataSource", ""), "FormVec.DS1");
  EXPECT_FALSE(Ini.ValueExists("V", "Values"));
  TGvDoubleVector* Y = Other();
  Y->ReadFrom(Ini, "V");
  EXPECT_EQ(Y->DataField(), "Temperature");
  EXPECT_EQ(Y->DataSource(), Source);

  // A data source that cannot be found leaves the vector unbound.
  Ini.WriteString("V", "DataSource", "Nowhere.DS1");
  Y->ReadFrom(Ini, "V");
  EXPECT_EQ(Y->DataSource(), nullptr);
  EXPECT_FALSE(Y->IsBound());
  EXPECT_EQ(Y->DataField(), "Temperature");
}

// The undo stack as far as the vector's setters reach it.
class TUndoProbe : public TGvUndoStackBase
{
public:
  bool IsRestoring() const override { return false; }
  void PushProperty(QObject*, const QString& Comment, const char* PropName) override
  {
    Entries << QString("%1: %2").arg(PropName, Comment);
  }
  void PushComponent(QObject*, const QString&) override {}
  void PushFreeComponent(QObject*, const QString&) override {}
  void PushVectorState(QObject*, const QString&) override {}
  void StartGroup(const QString&) override {}
  void StopGroup() override {}
  QStringList Entries;
};

TEST_F(VectorForms, PublishedSettersRecordTheirOldValues)
{
  TUndoProbe Undo;
  V->SetUndoStack(&Undo);
  V->SetIncrement(256);
  V->SetIncrement(256); // no change, no entry
  V->SetCapacity(1000);
  V->SetPersistentValues(true);
  V->SetDataField("F");
  EXPECT_EQ(Undo.Entries, QStringList({"Increment: Vector increment", "Capacity: Vector capacity",
                                       "PersistentValues: Vector persistent values",
                                       "DataField: Vector data field"}));
}

} // namespace

// Values that fill whole increments: the capacity read ends above the count as
// adding one value at a time would leave it, so a second trip writes the same.
TEST_F(VectorForms, ValuesFillingWholeIncrementsLeaveTheCapacityAboveTheCount)
{
  QStringList Items;
  for (int I = 0; I < 256; ++I) Items << QString::number(I);
  TGvIniFile Ini;
  Ini.WriteString("Vec", "Values", Items.join(' '));
  V->ReadFrom(Ini, "Vec");
  EXPECT_EQ(V->Count(), 256);
  EXPECT_EQ(V->Capacity(), 384);
  TGvIniFile Once;
  V->WriteTo(Once, "Vec");
  TGvDoubleVector* W = Other();
  W->ReadFrom(Once, "Vec");
  TGvIniFile Again;
  W->WriteTo(Again, "Vec");
  EXPECT_EQ(Again.ReadString("Vec", "Capacity", ""), "384");
  EXPECT_EQ(Again.ReadString("Vec", "Values", ""), Once.ReadString("Vec", "Values", "?"));
  EXPECT_EQ(GvGrownCapacity(128, 128, 256), 384);
  EXPECT_EQ(GvGrownCapacity(128, 128, 255), 256);
}
