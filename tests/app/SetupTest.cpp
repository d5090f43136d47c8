// The Setup tab against the imaginary mixer in process and against simulated
// devices on pseudo-terminals.
#include "AppTestSupport.h"

#include "controls/GvFloatEdit.h"
#include "devices/DeviceTestSupport.h"
#include "devices/ImaginaryMixerServer.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {
QStringList Items(const QListWidget* list)
{
  QStringList items;
  for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
  return items;
}

QStringList FeedbackLines(const TForm1& f)
{
  return f.MemoSetupFeedback->toPlainText().split(u'\n');
}

// Names extra ports for the port lists for the life of the object.
struct TExtraPorts
{
  explicit TExtraPorts(const QStringList& ports)
  {
    qputenv("VERDANE_EXTRA_PORTS", ports.join(u':').toLocal8Bit());
  }
  ~TExtraPorts() { qunsetenv("VERDANE_EXTRA_PORTS"); }
};

// The imaginary mixer served on pseudo-terminals, and a window in real time
// whose port lists name them.
struct TPtyMixerFixture : TWindowFixture
{
  TImaginaryMixer Devices;
  TImaginaryMixerServer Server{Devices, SystemClock()};
  std::unique_ptr<TExtraPorts> Extra;

  TPtyMixerFixture() : TWindowFixture(TTime::Real)
  {
    QString error;
    EXPECT_TRUE(Server.Start(&error)) << error.toStdString();
    Extra = std::make_unique<TExtraPorts>(
        QStringList{Server.RelayBoardPort(), Server.ControllerBusPort()});
    Form->ButtonSetupFindPortsClick();
    Form->show();
  }
  void ChoosePorts(const QString& solenoid, const QString& mfc)
  {
    Click(Form->ListBoxPortSolenoid, solenoid);
    Click(Form->ListBoxPortMFC, mfc);
  }
};
} // namespace

TEST(FindPorts, ListsTheSystemPortsTheExtraPortsAndTheFakeEntry)
{
  TExtraPorts extra({"/tmp/verdane-a", "/tmp/verdane-b", "/tmp/verdane-a"});
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  f.ButtonSetupFindPortsClick();
  const QStringList expected = GetExistingCommPorts() + QStringList{FakePortName()};
  EXPECT_EQ(Items(f.ListBoxPortSolenoid), expected);
  EXPECT_EQ(Items(f.ListBoxPortMFC), expected);
  EXPECT_EQ(expected.filter("/tmp/verdane-a").size(), 1);
  EXPECT_TRUE(expected.contains("/tmp/verdane-b"));
  EXPECT_TRUE(f.ListBoxPortSolenoid->selectedItems().isEmpty());
}

TEST(TestMode, FakeSolenoidPortPairsTheMFCPortAndChoosesBothGases)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  fx.StartTestMode();
  EXPECT_EQ(TForm1::SelectedText(f.ListBoxPortMFC), FakePortName());
  EXPECT_TRUE(
      FeedbackLines(f).contains("Fake ports selected. Imaginary mixer used for testing purposes."));
  EXPECT_TRUE(f.CheckBoxSolenoidOK->isChecked());
  EXPECT_TRUE(f.CheckBoxMFCOK->isChecked());
  EXPECT_TRUE(f.CheckBoxGasesSelected->isChecked());
  EXPECT_TRUE(f.Shared.Simulation);
  EXPECT_EQ(TForm1::SelectedText(f.ListBoxSetupGas1), "O2");
  EXPECT_EQ(TForm1::SelectedText(f.ListBoxSetupGas2), "N2");
  EXPECT_EQ(f.Shared.A.Name, "O2");
  EXPECT_EQ(f.Shared.B.Name, "N2");
  EXPECT_EQ(f.Shared.FIA.Name, "O2");
  EXPECT_EQ(f.Shared.FIA.Max, 0.0715f);
  EXPECT_EQ(f.Shared.FIA.Dyn, 120u);
  EXPECT_EQ(f.Shared.FIA.Min, 0.000596f);
  EXPECT_EQ(f.Shared.FIB.LongName, "Nitrogen");
  EXPECT_EQ(f.Shared.FIB.MaxOrig, 1.0f);
  EXPECT_EQ(f.Shared.FIB.Min, 0.00001f);
  EXPECT_DOUBLE_EQ(f.GvNumericUpDn1->MaxValue(), 1.0);
  EXPECT_DOUBLE_EQ(f.GvNumericUpDn1->MinValue(), 0.00001);
  EXPECT_DOUBLE_EQ(f.GvNumericUpDn1->Value(), 0.5);
  EXPECT_DOUBLE_EQ(f.GvNumericUpDn1->Increment(), 0.1);
  EXPECT_EQ(f.Shared.FIB.Max, 0.5f); // the limit took over
  EXPECT_TRUE(fx.Mixer.ReceivedFrames().isEmpty()) << "setup contacted a device";
}

TEST(GasSelection, BeforeValidationIsRefusedAndUndone)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  f.show();
  for (QListWidget* list : {f.ListBoxSetupGas1, f.ListBoxSetupGas2}) {
    TWindowFixture::Click(list, list->item(0)->text());
    EXPECT_TRUE(list->selectedItems().isEmpty());
  }
  EXPECT_EQ(fx.Dialogs.Messages, QStringList({"MFC not validated, cannot select gas yet",
                                              "MFC not validated, cannot select gas yet"}));
  EXPECT_FALSE(f.CheckBoxGasesSelected->isChecked());
}

TEST(Validation, RelayBoardFeedbackForEachAnswer)
{
  struct Case
  {
    const char* name;
    QByteArray reply; // empty: the board stays silent
    const char* status;
    const char* response;
    bool ok;
  };
  const Case cases[] = {
      {"85 and more", Bytes({85, 1, 2}), "", "85", true},
      {"84", Bytes({84}), "", "84", false},
      {"silent", {}, "Timeout while waiting for response", "0", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPtyPeer board([&](const QByteArray& request) -> std::optional<std::vector<TReplyChunk>> {
      if (request.size() < 2) return std::nullopt;
      if (c.reply.isEmpty()) return std::vector<TReplyChunk>{};
      return std::vector<TReplyChunk>{{0, c.reply}};
    });
    TExtraPorts extra({board.Path()});
    TWindowFixture fx(TTime::Real);
    TForm1& f = *fx.Form;
    f.ButtonSetupFindPortsClick();
    f.show();
    TWindowFixture::Click(f.ListBoxPortSolenoid, board.Path());
    EXPECT_EQ(board.Requests(), QList<QByteArray>{Bytes({254, 33})});
    const QStringList lines = FeedbackLines(f);
    ASSERT_GE(lines.size(), 6);
    EXPECT_TRUE(QRegularExpression("^Time  0: \\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d$")
                    .match(lines[0])
                    .hasMatch())
        << lines[0].toStdString();
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "Write 254 33  : 254 33");
    EXPECT_EQ(lines[3], QString("Comm Status   : ") + c.status);
    EXPECT_EQ(lines[4], QString("Comm Response : ") + c.response);
    EXPECT_EQ(lines[5], c.ok ? "Relay board controlling solenoids is OK"
                             : "Relay board controlling solenoids was NOT OK");
    EXPECT_EQ(f.CheckBoxSolenoidOK->isChecked(), c.ok);
  }
}

// A port the user may not open, or one that is gone: the status line stays
// that of any port that cannot be opened, and one more line says why and what
// to do. A port held elsewhere adds nothing.
TEST(Validation, PortThatCannotBeOpenedSaysWhyAndWhatToDo)
{
  // Opens nothing: every port fails for the reason given.
  class TRefusingPorts : public TSerialTransport
  {
  public:
    TPortOpenFailure Failure = TPortOpenFailure::Other;
    std::unique_ptr<TSerialLine> Open(const QString& Port, TClock& Clock) override
    {
      return OpenWithReason(Port, Clock).Line;
    }
    TOpenedLine OpenWithReason(const QString&, TClock&) override { return {nullptr, Failure}; }
  };
  const QString relay = "/dev/verdane-relay-port", bus = "/dev/verdane-mfc-port";
  const struct
  {
    TPortOpenFailure Failure;
    QString RelayAdvice, BusAdvice; // empty: no line
  } cases[] = {
      {TPortOpenFailure::NoPermission,
       "No permission to open " + relay + ": add your user to the group dialout and log in again",
       "No permission to open " + bus + ": add your user to the group dialout and log in again"},
      {TPortOpenFailure::NotFound,
       relay + " does not exist (any more): plug its adapter in, press \"Find ports\" and pick "
               "the port again",
       bus + " does not exist (any more): plug its adapter in, press \"Find ports\" and pick "
             "the port again"},
      {TPortOpenFailure::InUse, QString(), QString()},
  };
  TExtraPorts extra({relay, bus});
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.Failure));
    TRecordingClock clock;
    TScriptedDialogs dialogs;
    TRefusingPorts ports;
    ports.Failure = c.Failure;
    TForm1 f({&clock, &dialogs, &ports});
    f.Timer1->stop();
    TWindowFixture::Select(f.ListBoxPortSolenoid, relay);
    TWindowFixture::Select(f.ListBoxPortMFC, bus);
    f.ButtonSetupValidateClick();
    QStringList expected = {"Comm Status   : Failed to setup Com port, port in use",
                            "Comm Response : 0", "Relay board controlling solenoids was NOT OK"};
    if (!c.RelayAdvice.isEmpty()) expected << c.RelayAdvice;
    expected << "" << "One of more MFC failed to be identified";
    if (!c.BusAdvice.isEmpty()) expected << c.BusAdvice;
    const QStringList lines = FeedbackLines(f);
    EXPECT_EQ(lines.mid(lines.size() - expected.size()), expected);
    EXPECT_FALSE(f.CheckBoxSolenoidOK->isChecked());
    EXPECT_FALSE(f.CheckBoxMFCOK->isChecked());
  }
}

TEST(Validation, ControllersMustIdentifyAsGSC)
{
  for (const char* type : {"GSC-B9TA", "gsc-b9ta"}) {
    SCOPED_TRACE(type);
    TPtyMixerFixture fx;
    TForm1& f = *fx.Form;
    fx.Devices.SetControllerType(2, type);
    fx.ChoosePorts(fx.Server.RelayBoardPort(), fx.Server.ControllerBusPort());
    const bool ok = QByteArray(type).startsWith("GSC");
    EXPECT_TRUE(f.CheckBoxSolenoidOK->isChecked());
    EXPECT_EQ(f.CheckBoxMFCOK->isChecked(), ok);
    EXPECT_EQ(FeedbackLines(f).last(),
              ok ? "MFCs are OK" : "One of more MFC failed to be identified");
    EXPECT_EQ(FeedbackLines(f).value(FeedbackLines(f).size() - 2), "");
  }
}

// The identification and the fluid selection on the controller bus: which
// registers, in what order, with what waits between them.
TEST(Validation, ControllerOperationsRunInOrderWithTheirWaits)
{
  TWindowFixture fx;
  TForm1& f = *fx.Form;
  fx.ListImaginaryPorts();
  TWindowFixture::Select(f.ListBoxPortMFC, ImaginaryBusPort());
  fx.Transport.Watch(fx.Clock);
  f.ValidateMFC();
  EXPECT_EQ(fx.Transport.Steps(),
            QStringList({"1 read 0x0023", "wait 20", "2 read 0x0023", "wait 20"}));
  EXPECT_TRUE(f.CheckBoxMFCOK->isChecked());

  TWindowFixture::Select(f.ListBoxSetupGas2, "H2"); // position 2: fluid 4
  fx.Transport.Clear();
  const TFlowInfo info = f.MinMaxFlow(ImaginaryBusPort(), 2);
  EXPECT_EQ(fx.Transport.Steps(),
            QStringList({"2 write 0x4139", "wait 10", "wait 150", "2 write 0x5FFF", "wait 10",
                         "wait 250", "2 read 0x4139", "wait 20", "2 read 0x6042", "wait 20",
                         "2 read 0x6022", "wait 20", "2 read 0x6020", "wait 20", "2 read 0x6046",
                         "wait 20", "2 read 0x6122", "wait 20"}));
  const QList<TTestTransport::TRequest> requests = fx.Transport.Requests();
  ASSERT_GE(requests.size(), 2);
  for (int i : {0, 1}) // function 6: the fluid number in bytes 5 and 6
    EXPECT_EQ(uint8_t(requests[i].Bytes[4]) << 8 | uint8_t(requests[i].Bytes[5]), 4) << i;
  EXPECT_EQ(fx.Mixer.ActiveFluid(2), 4);
  EXPECT_EQ(info.Name, "H2");
}

TEST(GasSelection, ReadsTheChosenFluidFromEachController)
{
  TPtyMixerFixture fx;
  TForm1& f = *fx.Form;
  fx.ChoosePorts(fx.Server.RelayBoardPort(), fx.Server.ControllerBusPort());
  ASSERT_TRUE(f.CheckBoxMFCOK->isChecked());
  TWindowFixture::Click(f.ListBoxSetupGas1, "Air");
  TWindowFixture::Click(f.ListBoxSetupGas2, "Ar");
  EXPECT_EQ(fx.Devices.ActiveFluid(1), 4);
  EXPECT_EQ(fx.Devices.FluidDataIndex(1), 4);
  EXPECT_EQ(fx.Devices.ActiveFluid(2), 2);
  EXPECT_EQ(f.Shared.FIA.Name, "Air");
  EXPECT_EQ(f.Shared.FIA.LongName, QString("Air").leftJustified(50, u' '));
  EXPECT_EQ(f.Shared.FIA.FlowUnit, "g/min");
  EXPECT_EQ(f.Shared.FIA.MaxOrig, 0.0647f);
  EXPECT_EQ(f.Shared.FIA.Dyn, 120u);
  EXPECT_EQ(f.Shared.FIA.Min, float(double(0.0647f) / 120));
  EXPECT_EQ(f.Shared.A.Name, "Air");
  EXPECT_EQ(f.Shared.B.Name, "Ar");
  EXPECT_EQ(f.Shared.FIB.MaxOrig, 1.427f);
  EXPECT_EQ(f.Shared.PossibleMaxFlowBGramsperMinute, double(1.427f));
  // The gas-B limit follows controller B: half its full scale.
  EXPECT_DOUBLE_EQ(f.GvNumericUpDn1->MaxValue(), double(1.427f));
  EXPECT_DOUBLE_EQ(f.GvNumericUpDn1->Value(), double(1.427f) / 2);
  // The record holds the full scale until the next calculation applies the limit.
  EXPECT_EQ(f.Shared.FIB.Max, 1.427f);
  f.Calculate(false);
  EXPECT_EQ(f.Shared.FIB.Max, float(double(1.427f) / 2));
  EXPECT_TRUE(f.CheckBoxGasesSelected->isChecked());
}

// Outside the pair the fake entry is only a port name: it opens nothing, so a
// fake relay board never stands in beside real controllers (nor the
// reverse), and the gases chosen in the test mode do not carry over.
TEST(TestMode, FakeEntryAloneIsOnlyAPortName)
{
  struct Case
  {
    const char* name;
    bool fakeRelayBoard; // else fake controllers beside a real board
  };
  for (const Case& c : {Case{"fake relay board, real controllers", true},
                        Case{"real relay board, fake controllers", false}}) {
    SCOPED_TRACE(c.name);
    TWindowFixture fx;
    TForm1& f = *fx.Form;
    fx.ListImaginaryPorts();
    f.show();
    if (c.fakeRelayBoard) {
      TWindowFixture::Click(f.ListBoxPortSolenoid, FakePortName()); // the test mode first
      ASSERT_TRUE(f.CheckBoxGasesSelected->isChecked());
      f.MemoSetupFeedback->clear();
      TWindowFixture::Click(f.ListBoxPortMFC, ImaginaryBusPort());
    } else {
      TWindowFixture::Click(f.ListBoxPortSolenoid, ImaginaryRelayPort());
      f.MemoSetupFeedback->clear();
      TWindowFixture::Click(f.ListBoxPortMFC, FakePortName());
    }
    EXPECT_FALSE(f.CheckBoxGasesSelected->isChecked());
    EXPECT_TRUE(f.ListBoxSetupGas1->selectedItems().isEmpty());
    EXPECT_TRUE(f.ListBoxSetupGas2->selectedItems().isEmpty());
    const QStringList lines = FeedbackLines(f);
    if (c.fakeRelayBoard) {
      EXPECT_EQ(lines.first(), "Gas selections removed");
      EXPECT_TRUE(lines.contains("Comm Status   : Failed to setup Com port, port in use"));
      EXPECT_TRUE(lines.contains("Comm Response : 0"));
      EXPECT_TRUE(lines.contains("Relay board controlling solenoids was NOT OK"));
      EXPECT_EQ(lines.last(), "MFCs are OK");
      EXPECT_FALSE(f.CheckBoxSolenoidOK->isChecked());
      EXPECT_TRUE(f.CheckBoxMFCOK->isChecked());
      EXPECT_TRUE(fx.Mixer.ReceivedFrames(TImaginaryLine::RelayBoard).isEmpty());
      // Gas A is read from the real controller 1, not taken from the test values.
      TWindowFixture::Click(f.ListBoxSetupGas1, "H2");
      EXPECT_EQ(fx.Mixer.ActiveFluid(1), 5);
      EXPECT_EQ(f.Shared.FIA.Name, "H2");
      EXPECT_EQ(f.Shared.A.Name, "H2");
      EXPECT_FALSE(f.CheckBoxGasesSelected->isChecked());
    } else {
      EXPECT_TRUE(lines.contains("Relay board controlling solenoids is OK"));
      EXPECT_EQ(lines.last(), "One of more MFC failed to be identified");
      EXPECT_TRUE(f.CheckBoxSolenoidOK->isChecked());
      EXPECT_FALSE(f.CheckBoxMFCOK->isChecked());
      EXPECT_TRUE(fx.Mixer.ReceivedFrames(TImaginaryLine::ControllerBus).isEmpty());
      TWindowFixture::Click(f.ListBoxSetupGas2, "N2");
      EXPECT_EQ(fx.Dialogs.Messages.last(), "MFC not validated, cannot select gas yet");
      EXPECT_TRUE(f.Shared.FIB.Name.isEmpty());
    }
  }
}

TEST(GasSelection, ControllerWithoutAFlowRangeIsRefused)
{
  TPtyMixerFixture fx;
  TForm1& f = *fx.Form;
  fx.ChoosePorts(fx.Server.RelayBoardPort(), fx.Server.ControllerBusPort());
  ASSERT_TRUE(f.CheckBoxMFCOK->isChecked());
  TWindowFixture::Click(f.ListBoxSetupGas1, "O2");
  const float limitBefore = f.Shared.FIB.Max;
  const double upDnMax = f.GvNumericUpDn1->MaxValue();
  fx.Devices.SetControllerSilent(2, true);
  TWindowFixture::Click(f.ListBoxSetupGas2, "Ar");
  EXPECT_EQ(TForm1::SelectedText(f.ListBoxSetupGas1), "O2");
  EXPECT_TRUE(f.ListBoxSetupGas2->selectedItems().isEmpty());
  EXPECT_FALSE(f.CheckBoxGasesSelected->isChecked());
  const QStringList lines = FeedbackLines(f);
  EXPECT_EQ(lines.value(lines.size() - 2),
            "Controller 2 reported no usable flow range (full scale NAN, turndown ratio 0).");
  EXPECT_EQ(lines.last(), "Gas B is not selected; check the MFC bus and choose gas B again.");
  EXPECT_EQ(f.Shared.FIB.Max, limitBefore);
  EXPECT_EQ(f.GvNumericUpDn1->MaxValue(), upDnMax);
  EXPECT_TRUE(f.Shared.B.Name.isEmpty());
}
