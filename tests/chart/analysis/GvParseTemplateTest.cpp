// Caption templates: "<%" expression or string name "%>" fields.
#include "ParserTestSupport.h"

#include "controls/GvStringFunctions.h"

namespace {

struct TTemplateCase
{
  const char* Text;
  const char* Expanded; // or the message of the error
  bool Fails = false;
};

void PrintTo(const TTemplateCase& C, std::ostream* Os)
{
  *Os << '"' << C.Text << '"';
}

class TemplateTest : public ::testing::TestWithParam<TTemplateCase>
{
};

TEST_P(TemplateTest, Expands)
{
  const TTemplateCase& C = GetParam();
  QString Result;
  const QString Error =
      ErrorOf([&] { Result = ParseVariables(QString::fromUtf8(C.Text), nullptr); });
  if (C.Fails) {
    EXPECT_EQ(Error, QString::fromUtf8(C.Expanded));
  } else {
    EXPECT_EQ(Error, QStringLiteral("<no error>"));
    EXPECT_EQ(Result, QString::fromUtf8(C.Expanded));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, TemplateTest,
    ::testing::Values(TTemplateCase{"<%1/3;0.00%>", "0.33"}, TTemplateCase{"<%<%", "<%"},
                      TTemplateCase{"a <%<% b", "a <% b"}, TTemplateCase{"plain", "plain"},
                      TTemplateCase{"", ""}, TTemplateCase{"<%1+1%> and <%2*3;0.0%>", "2 and 6.0"},
                      TTemplateCase{"x=<%pi;0.000%>!", "x=3.142!"},
                      TTemplateCase{"<%1/3%>", "0.333333333333333"},
                      TTemplateCase{"%>%><%1%>", "%>1"}, TTemplateCase{"<%1%>%>", "<%1%>"},
                      // A "%>%>" is only undone while fields are looked for.
                      TTemplateCase{"a %>%> b", "a %>%> b"},
                      // The number pattern is upper-cased with the field (the
                      // exponent letter, quoted text).
                      TTemplateCase{"<%12345.678;0.00e+00%>", "1.23E+04"},
                      TTemplateCase{"<%2;0.0 'mm'%>", "2.0 MM"},
                      TTemplateCase{"<%", "No valid expression defined", true},
                      TTemplateCase{"a <%1+", "No valid expression defined", true},
                      TTemplateCase{"<%>", "No valid expression defined", true},
                      TTemplateCase{"a%>b<%1%>", "No valid expression defined", true},
                      TTemplateCase{"<%%>", "No valid expression defined", true},
                      TTemplateCase{"<%1/0%>", "Floating point division by zero", true},
                      TTemplateCase{"<%x%>", "Parsing error in function:\rX", true}));

TEST(Templates, UseTheLocaleSeparator)
{
  TFormatSettingsOverride Comma(FormatSettingsWithDecimal(u','));
  EXPECT_EQ(ParseVariables("<%1/3;0.00%>", nullptr), QStringLiteral("0,33"));
  EXPECT_EQ(ParseVariables("<%1,5*2%>", nullptr), QStringLiteral("3"));
}

class TemplateStrings : public TRegistryTest
{
protected:
  void SetUp() override
  {
    TRegistryTest::SetUp();
    FForm = std::make_unique<QObject>();
    FForm->setObjectName("Form1");
    FSeries = new TTestPublisher("Series1", FForm.get());
    AddStringToList("Caption", "Caption of the series e.g. used in legends", FSeries,
                    GlobalStringList(), [this] { return FCaption; });
  }
  void TearDown() override
  {
    FForm.reset();
    TRegistryTest::TearDown();
  }
  QString Expand(const QString& Text, const QObject* Owner = nullptr)
  {
    return ParseVariables(Text, Owner);
  }
  std::unique_ptr<QObject> FForm;
  TTestPublisher* FSeries = nullptr;
  QString FCaption = QStringLiteral("Fit of <%2*2%> points");
};

TEST_F(TemplateStrings, ShowTheExpandedTextOfTheVariable)
{
  TTestShower Label;
  EXPECT_EQ(Expand("[<%Form1.Series1.Caption%>]", &Label), QStringLiteral("[Fit of 4 points]"));
  EXPECT_EQ(FindTheVar("FORM1.SERIES1.CAPTION", &Label), QStringLiteral("Fit of 4 points"));
  ASSERT_EQ(FSeries->ObjectsToUpdate().size(), 1u);
  EXPECT_EQ(FSeries->ObjectsToUpdate()[0].data(), &Label);
  FCaption = "broken <%";
  EXPECT_EQ(ErrorOf([&] { Expand("<%Form1.Series1.Caption%>"); }),
            QStringLiteral("No valid expression defined"));
}

// A value is shown as it came: a literal "<%" inside it is not read again as
// the start of a field.
TEST_F(TemplateStrings, ExpandedValuesAreNotReadAgain)
{
  FCaption = "a<%<%Form1.Series1.Caption%>b";
  EXPECT_EQ(Expand("<%Form1.Series1.Caption%>"), QStringLiteral("a<%Form1.Series1.Caption%>b"));
  EXPECT_EQ(Expand("<%Form1.Series1.Caption%><%1%>"),
            QStringLiteral("a<%Form1.Series1.Caption%>b1"));
}

// A caption that shows itself stops after a few levels; one that shows itself
// many times over stops after a bounded number of fields.
TEST_F(TemplateStrings, SelfExpansionStops)
{
  FCaption = "x<%Form1.Series1.Caption%>";
  EXPECT_EQ(Expand("<%Form1.Series1.Caption%>"), QString(8, u'x') + "...");
  FCaption = QString();
  for (int I = 0; I < 20; ++I) FCaption += "<%Form1.Series1.Caption%>";
  const QString Result = Expand(FCaption);
  EXPECT_EQ(Result, QString(Result.size(), u'.'));
  // At most 1000 fields are expanded, each into 20 fields at most.
  EXPECT_LE(Result.size(), 3 * 20 * 1001);
}

} // namespace
