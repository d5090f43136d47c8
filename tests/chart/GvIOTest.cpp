// Component references, the binary reader and writer, and the ini file.
#include "chart/GvIO.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct TRefCase
{
  const char* Ref;
  const char* Owner;
  const char* Name;
};

TEST(ComponentRef, PathsFromTheTopAndBack)
{
  auto Form = std::make_unique<QObject>();
  Form->setObjectName("FormRefTest");
  auto* Graph = new QObject(Form.get());
  Graph->setObjectName("Graph1");
  auto* Axis = new TGvComponent(Graph);
  Axis->SetName("XAxis1");
  // A top-level object is found when the application owns it.
  Form->setParent(QCoreApplication::instance());

  EXPECT_EQ(GetComponentRef(Axis), "FormRefTest.Graph1.XAxis1");
  EXPECT_EQ(GetComponentFromRef("FormRefTest.Graph1.XAxis1"), Axis);
  EXPECT_EQ(GetComponentFromRef("FormRefTest.Graph1.Nothing"), nullptr);
  EXPECT_EQ(GetComponentFromRef(""), nullptr);
  EXPECT_EQ(RefOwner("FormRefTest.Graph1.XAxis1"), Graph);
  EXPECT_EQ(RefOwner("Vector1"), QCoreApplication::instance());

  auto* Unnamed = new QObject(Graph);
  auto* Below = new QObject(Unnamed);
  Below->setObjectName("Below");
  EXPECT_EQ(GetComponentRef(Below), "");
  auto* Dotted = new QObject(Graph);
  Dotted->setObjectName("a.b");
  EXPECT_EQ(GetComponentRef(Dotted), "");

  EXPECT_EQ(UniqueName(Graph, "XAxis"), "XAxis2");
  EXPECT_EQ(UniqueName(Graph, "YAxis"), "YAxis1");
  Form->setParent(nullptr);
}

TEST(ComponentRef, OwnerAndComponentNames)
{
  const TRefCase Cases[] = {
      {"Form1.Graph1.XAxis1", "Form1.Graph1", "XAxis1"},
      {"Vector1", "", "Vector1"},
      {"", "", ""},
  };
  for (const TRefCase& C : Cases) {
    EXPECT_EQ(OwnerName(C.Ref), C.Owner) << C.Ref;
    EXPECT_EQ(ComponentName(C.Ref), C.Name) << C.Ref;
  }
}

TEST(Stream, LittleEndianLayout)
{
  QBuffer B;
  B.open(QIODevice::ReadWrite);
  TGvStreamWriter W(B);
  W.WriteInt32(0x01020304);
  W.WriteFloat32(1.0f);
  W.WriteString(QStringLiteral("µ"));
  W.WriteFloat64(-2.5);
  EXPECT_EQ(B.data().toHex(), QByteArray("04030201" "0000803f" "02000000c2b5" "00000000000004c0"));

  B.seek(0);
  TGvStreamReader R(B);
  EXPECT_EQ(R.ReadInt32(), 0x01020304);
  EXPECT_EQ(R.ReadFloat32(), 1.0f);
  EXPECT_EQ(R.PeekString(), QStringLiteral("µ"));
  EXPECT_EQ(R.ReadString(), QStringLiteral("µ"));
  EXPECT_EQ(R.ReadFloat64(), -2.5);
  EXPECT_THROW(R.ReadByte(), EGvReadError);
}

TEST(Stream, LengthsAndCountsBeyondTheDataAreRefused)
{
  QBuffer B;
  B.open(QIODevice::ReadWrite);
  TGvStreamWriter W(B);
  W.WriteInt32(2000000000); // a string length without the bytes
  W.WriteInt32(-5);         // a negative length reads as empty
  W.WriteInt32(3);          // a count of three doubles with one present
  W.WriteFloat64(1);
  B.seek(0);
  TGvStreamReader R(B);
  EXPECT_THROW(R.ReadString(), EGvReadError);
  B.seek(4);
  EXPECT_EQ(R.ReadString(), "");
  EXPECT_THROW(R.ReadCount(8), EGvReadError);
}

TEST(Ini, KeepsOrderAndValuesAsWritten)
{
  TGvIniFile Ini;
  Ini.WriteString("Vector", "Name", "Form1.V1");
  Ini.WriteInteger("Vector", "Capacity", 128);
  Ini.WriteBool("Vector", "FromDatabase", false);
  Ini.WriteString("Vector", "Values", "1 2.5 -3E-5");
  Ini.WriteString("Other", "Text", EncodeForIni("a\rb"));
  EXPECT_EQ(Ini.ToText(), QByteArray("[Vector]\r\nName=Form1.V1\r\nCapacity=128\r\nFromDatabase=0\r\n"
                                     "Values=1 2.5 -3E-5\r\n\r\n[Other]\r\nText=a@\\rb\r\n\r\n"));

  QTemporaryDir Dir;
  TGvIniFile Out(Dir.filePath("a.ini"));
  Out.FromText(Ini.ToText());
  Out.Save();
  TGvIniFile In(Dir.filePath("a.ini"));
  In.Load();
  EXPECT_EQ(In.ToText(), Ini.ToText());
  EXPECT_EQ(In.ReadInteger("vector", "capacity", 0), 128);
  EXPECT_EQ(DecodeFomIni(In.ReadString("Other", "Text", "")), "a\rb");
  EXPECT_EQ(In.ReadFloat("Vector", "Name", 7.0), 7.0);
}

} // namespace
