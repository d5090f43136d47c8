// The Setup tab: port lists, validation of the relay board and the
// controllers, the test mode, and the gas selection on the controllers.
#include "app/UnitMain.h"

#include "app/DialogService.h"
#include "controls/GvDateTime.h"
#include "controls/GvFloatEdit.h"
#include "controls/GvStringFunctions.h"
#include "devices/Clock.h"
#include "devices/RelayBoard.h"
#include "devices/SerialPortVogtlin.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <cmath>

namespace {
// Shows the hourglass while a handler blocks.
struct TWaitCursor
{
  TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};

void SelectRow(QListWidget* list, int row)
{
  list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void ClearSelection(QListWidget* list)
{
  list->clearSelection();
  list->setCurrentItem(nullptr, QItemSelectionModel::Clear);
}

// After a device check: why its port could not be opened and what to do,
// when that is something the operator can mend.
void AddOpenAdvice(QPlainTextEdit* Memo, const QString& Port, const TSerialResponse& Response)
{
  const QString advice = PortOpenAdvice(Port, Response.OpenFailure);
  if (!advice.isEmpty()) Memo->appendPlainText(advice);
}
} // namespace

void TForm1::ButtonSetupFindPortsClick()
{
  const QStringList ports = GetExistingCommPorts();
  for (QListWidget* list : {ListBoxPortSolenoid, ListBoxPortMFC}) {
    list->clear();
    list->addItems(ports);
    list->addItem(FakePortName());
    ClearSelection(list);
  }
}

void TForm1::ListBoxPortSolenoidClick()
{
  if (SelectedText(ListBoxPortSolenoid).isEmpty()) return;
  if (FakeSolenoidPortSelected()) SelectRow(ListBoxPortMFC, ListBoxPortMFC->count() - 1);
  ButtonSetupValidateClick();
}

void TForm1::ListBoxPortMFCClick()
{
  if (SelectedText(ListBoxPortMFC).isEmpty()) return;
  ButtonSetupValidateClick();
}

void TForm1::ButtonSetupValidateClick()
{
  if (TestMode()) {
    MemoSetupFeedback->appendPlainText(
        QStringLiteral("Fake ports selected. Imaginary mixer used for testing purposes."));
    CheckBoxSolenoidOK->setChecked(true);
    CheckBoxMFCOK->setChecked(true);
    Shared.Simulation = true;
    SelectRow(ListBoxSetupGas1, 0);
    ListBoxSetupGas1Click();
    SelectRow(ListBoxSetupGas2, 1);
    ListBoxSetupGas2Click();
    return;
  }
  TWaitCursor wait;
  if (FGasesFromTestMode) {
    // The flow ranges and compounds of the imaginary mixer are not those of
    // real controllers: leaving the test mode takes the gas choice back.
    FGasesFromTestMode = false;
    ClearSelection(ListBoxSetupGas1);
    ClearSelection(ListBoxSetupGas2);
    CheckBoxGasesSelected->setChecked(false);
    MemoSetupFeedback->appendPlainText(QStringLiteral("Gas selections removed"));
  }
  const QString solenoidPort = SelectedText(ListBoxPortSolenoid);
  if (!solenoidPort.isEmpty()) {
    MemoSetupFeedback->setUpdatesEnabled(false);
    MemoSetupFeedback->appendPlainText(
        QStringLiteral("Time  0: ") +
        FormatDateTime(QStringLiteral("hh:nn:ss.zzz"), Clock().Now()));
    TSerialPort port(DeviceContext());
    port.Port = solenoidPort;
    UseRelayBoardSettings(port, false);
    TSerialResponse r;
    {
      QMutexLocker lock(RelayLock());
      r = RelayBoardSelfTest(port);
    }
    MemoSetupFeedback->appendPlainText(port.DebugMSG);
    MemoSetupFeedback->appendPlainText(QStringLiteral("Write 254 33  : 254 33"));
    MemoSetupFeedback->appendPlainText(QStringLiteral("Comm Status   : ") + r.Status);
    MemoSetupFeedback->appendPlainText(QStringLiteral("Comm Response : ") +
                                       QString::number(RelayBoardReplyByte(r, 1)));
    const bool ok = RelayBoardSelfTestPassed(r);
    MemoSetupFeedback->appendPlainText(
        ok ? QStringLiteral("Relay board controlling solenoids is OK")
           : QStringLiteral("Relay board controlling solenoids was NOT OK"));
    AddOpenAdvice(MemoSetupFeedback, solenoidPort, r);
    CheckBoxSolenoidOK->setChecked(ok);
    MemoSetupFeedback->setUpdatesEnabled(true);
  }
  if (!SelectedText(ListBoxPortMFC).isEmpty()) ValidateMFC();
}

void TForm1::ValidateMFC()
{
  TVogtlinPort port(DeviceContext());
  port.Port = SelectedText(ListBoxPortMFC);
  UseMFCBusSettings(port);
  const TSerialResponse r1 = port.ReadS8(1, 0x0023);
  Clock().Sleep(20);
  const TSerialResponse r2 = port.ReadS8(2, 0x0023);
  Clock().Sleep(20);
  const bool ok =
      r1.AsString.startsWith(QStringLiteral("GSC")) && r2.AsString.startsWith(QStringLiteral("GSC"));
  CheckBoxMFCOK->setChecked(ok);
  MemoSetupFeedback->appendPlainText(QString());
  MemoSetupFeedback->appendPlainText(
      ok ? QStringLiteral("MFCs are OK")
         : QStringLiteral("One of more MFC failed to be identified"));
  AddOpenAdvice(MemoSetupFeedback, port.Port,
                r1.OpenFailure != TPortOpenFailure::None ? r1 : r2);
}

namespace {
// A controller that did not answer, or answered nonsense, gives no flow
// range to compute with.
bool UsableFlowRange(const TFlowInfo& info)
{
  return std::isfinite(info.MaxOrig) && info.MaxOrig > 0 && info.Dyn > 0;
}
} // namespace

TFlowInfo TForm1::MinMaxFlow(const QString& Port, unsigned Address)
{
  TVogtlinPort port(DeviceContext());
  port.Port = Port;
  UseMFCBusSettings(port);
  const QListWidget* list = Address == 1 ? ListBoxSetupGas1 : ListBoxSetupGas2;
  const int n = list->currentRow() + 2;
  port.WriteU8(Address, 0x4139, uint16_t(n));
  Clock().Sleep(150);
  port.WriteU8(Address, 0x5FFF, uint16_t(n));
  Clock().Sleep(250);

  TFlowInfo info;
  port.ReadU8(Address, 0x4139);
  Clock().Sleep(20);
  info.Name = port.ReadS8(Address, 0x6042).AsString;
  Clock().Sleep(20);
  info.LongName = port.ReadS50(Address, 0x6022).AsString;
  Clock().Sleep(20);
  const float F = port.ReadF32(Address, 0x6020).AsFloat;
  Clock().Sleep(20);
  info.FlowUnit = port.ReadS8(Address, 0x6046).AsString;
  Clock().Sleep(20);
  const TSerialResponse dyn = port.ReadU16(Address, 0x6122);
  info.Dyn = dyn.Status.isEmpty() ? uint32_t(dyn.AsInteger) : 0;
  Clock().Sleep(20);
  info.Max = info.MaxOrig = F;
  info.Min = info.Dyn > 0 ? float(double(F) / info.Dyn) : std::nanf("");
  if (!UsableFlowRange(info)) return info; // the caller refuses it; nothing else follows it

  GvNumericUpDn1->SetMaxValue(F);
  GvNumericUpDn1->SetMinValue(double(F) / info.Dyn);
  GvNumericUpDn1->SetValue(double(F) / 2);
  GvNumericUpDn1->SetIncrement(double(F) / 10);
  if (Address != 1) Shared.PossibleMaxFlowBGramsperMinute = F;
  return info;
}

namespace {
QString FlowRangeRefusal(unsigned Address, const TFlowInfo& info)
{
  return QStringLiteral(
             "Controller %1 reported no usable flow range (full scale %2, turndown ratio %3).")
      .arg(Address)
      .arg(FloatToStr(info.MaxOrig))
      .arg(info.Dyn);
}
} // namespace

void TForm1::ListBoxSetupGas1Click()
{
  if (SelectedText(ListBoxSetupGas1).isEmpty()) return;
  TWaitCursor wait;
  // Fixed values stand in for controller A only in the test mode (both
  // lists on the fake entry), never beside a real controller bus.
  if (TestMode()) {
    FGasesFromTestMode = true;
    Shared.FIA = {"O2", "O2", "g/min", 0.0715f, 0.0715f, 120, 0.000596f};
    Shared.A = GetCompound(QStringLiteral("O2"));
    Shared.FLAI = 1.0;
    CheckContinue();
    return;
  }
  if (CheckBoxMFCOK->isChecked()) {
    const TFlowInfo info = MinMaxFlow(SelectedText(ListBoxPortMFC), 1);
    if (UsableFlowRange(info)) {
      Shared.FIA = info;
      Shared.A = GetCompound(SelectedText(ListBoxSetupGas1));
      Shared.FLAI = 1.0;
    } else {
      MemoSetupFeedback->appendPlainText(QString());
      MemoSetupFeedback->appendPlainText(FlowRangeRefusal(1, info));
      MemoSetupFeedback->appendPlainText(
          QStringLiteral("Gas A is not selected; check the MFC bus and choose gas A again."));
      ClearSelection(ListBoxSetupGas1);
    }
  } else {
    Dialogs().ShowMessage(this, QStringLiteral("MFC not validated, cannot select gas yet"));
    ClearSelection(ListBoxSetupGas1);
  }
  CheckContinue();
}

void TForm1::ListBoxSetupGas2Click()
{
  if (SelectedText(ListBoxSetupGas2).isEmpty()) return;
  TWaitCursor wait;
  if (TestMode()) {
    FGasesFromTestMode = true;
    Shared.FIB = {"N2", "Nitrogen", "g/min", 1.0f, 1.0f, 120, 0.00001f};
    Shared.B = GetCompound(QStringLiteral("N2"));
    Shared.FLBI = 1.0;
    // The imaginary controller B has a full scale of 1.0 for flush and bypass.
    Shared.PossibleMaxFlowBGramsperMinute = 1.0;
    GvNumericUpDn1->SetMaxValue(1.0);
    GvNumericUpDn1->SetMinValue(0.00001);
    GvNumericUpDn1->SetValue(0.5);
    GvNumericUpDn1->SetIncrement(0.1);
    CheckContinue();
    return;
  }
  if (CheckBoxMFCOK->isChecked()) {
    const TFlowInfo info = MinMaxFlow(SelectedText(ListBoxPortMFC), 2);
    if (UsableFlowRange(info)) {
      Shared.FIB = info;
      Shared.B = GetCompound(SelectedText(ListBoxSetupGas2));
      Shared.FLBI = 1.0;
    } else {
      MemoSetupFeedback->appendPlainText(QString());
      MemoSetupFeedback->appendPlainText(FlowRangeRefusal(2, info));
      MemoSetupFeedback->appendPlainText(
          QStringLiteral("Gas B is not selected; check the MFC bus and choose gas B again."));
      ClearSelection(ListBoxSetupGas2);
    }
  } else {
    Dialogs().ShowMessage(this, QStringLiteral("MFC not validated, cannot select gas yet"));
    ClearSelection(ListBoxSetupGas2);
  }
  CheckContinue();
}

void TForm1::ListBoxSetupGas1KeyUp()
{
  CheckContinue();
}

// Keys in the four lists: a selection moved by the keyboard counts as a click
// on the new item (as a mouse click would), and a key released in a gas list
// rechecks the conclusion.
bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
  if (watched == StringGrid1->viewport() && event->type() == QEvent::MouseButtonPress) {
    StringGrid1MouseDown(static_cast<QMouseEvent*>(event)->button());
    return false;
  }
  auto* list = qobject_cast<QListWidget*>(watched);
  if (list && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
    if (event->type() == QEvent::KeyPress) {
      list->setProperty("rowBeforeKey", list->currentRow());
      return false;
    }
    const bool moved = list->property("rowBeforeKey").toInt() != list->currentRow();
    list->setProperty("rowBeforeKey", list->currentRow());
    if (moved) {
      if (list == ListBoxPortSolenoid) ListBoxPortSolenoidClick();
      if (list == ListBoxPortMFC) ListBoxPortMFCClick();
      if (list == ListBoxSetupGas1) ListBoxSetupGas1Click();
      if (list == ListBoxSetupGas2) ListBoxSetupGas2Click();
    }
    if (list == ListBoxSetupGas1 || list == ListBoxSetupGas2) ListBoxSetupGas1KeyUp();
  }
  return QMainWindow::eventFilter(watched, event);
}
