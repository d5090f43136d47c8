// The main window of the mixer: the four tabs, the shared mixer state and
// every handler that runs the mixer.
#pragma once

#include "app/CommandConfirmations.h"
#include "app/MixerTypes.h"
#include "app/MixtureCalculation.h"
#include "devices/SerialPort.h"
#include "sequence/SequenceLog.h"

#include <QImage>
#include <QMainWindow>
#include <QMutex>
#include <QPoint>
#include <QStringList>
#include <memory>
#include <vector>

class QCheckBox;
class TVogtlinPort;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTableWidget;
class QThread;
class QTimer;
class TClock;
class TDeviceTransport;
class TDialogService;
class TImaginaryMixer;
class TMixerControl;
class TSerialTransport;
class TGvDoubleEdit;
class TGvGraph2D;
class TGvIntegerEdit;
class TGvNumericUpDn;
class TOutputChart;
class TOutputPlotData;
class TPageControl;
class TSequencePanel;
class TSequenceRunner;
struct TCommandResult;
struct TSequence;
struct TStepStart;
enum class TSequenceState;
class TTestModeTransport;
struct TValveLineUp;

// What the window works with besides its own widgets. Anything left null is
// replaced by the real thing (system clock, platform dialogs).
struct TFormServices
{
  TClock* Clock = nullptr;
  TDialogService* Dialogs = nullptr;
  // Opens the serial ports; the port "Fake port for testing" reaches the
  // imaginary mixer (the window lets it through only in the test mode, when
  // both port lists are on it). Null: the window's own transport with its
  // own mixer.
  TSerialTransport* Transport = nullptr;
};

class TForm1 : public QMainWindow
{
  Q_OBJECT
public:
  explicit TForm1(const TFormServices& services = TFormServices(), QWidget* parent = nullptr);
  ~TForm1() override;

  // The shared mixer state.
  TMixerData Shared;

  // The mixer's commands and a picture of its state; the four command
  // buttons, the sequence and anything outside the window go through it.
  TMixerControl& Control() const { return *FControl; }
  // The shutdown steps have run (nothing may act on the mixer any more).
  bool Closing() const { return FClosed; }
  // A stop waits for the humidification thread.
  bool StopWaiting() const { return FStopWaiting; }
  // Rows of the output table below its titles.
  int OutputRowCount() const;

  // ---- Start-up, tabs, shutdown ----
  void FormCreate();
  void FormResize();
  bool PageControl1Changing();
  void PageControl1Change();
  void CheckContinue();
  void FormClose();

  // ---- Mixture calculation and its entry fields ----
  void Calculate(bool Apply);
  void GvIntegerEditGasAPPMValueChanged(QObject* Sender);
  void Button2Click();
  void GvNumericUpDn1Click(QObject* Sender);
  void GvNumericUpDn1ValueChanged(QObject* Sender);
  // Bubbler temperature and water vapour pressure display.
  void GvIntegerEditH2OTempValueChanged();
  // Random whole number 1..99 for the picture's wetting animation.
  int RandomPercent();
  void SetRandomSeed(unsigned Seed) { FRandomState = Seed ? Seed : 1; }

  // ---- Operating cycle and commands ----
  void Timer1Timer();
  void Button3Click(); // "Add hours to counter"
  void Button1Click(); // "Don't ever click"
  // What a click on each command button does: the checks of the facade
  // first (Control().BeginCommand; a refusal is shown and nothing changes),
  // then the command. Stop sets both set-points to 0 before anything else
  // (before it waits for the humidification thread, which does not use the
  // controllers' bus), then stops the thread and leaves the valves to the
  // next tick, as Standby does.
  void ButtonStopClick();
  void ButtonFlushClick();
  void ButtonBypassClick();
  void ButtonDilutionClick();
  // Ends and frees the humidification thread, if one runs. Waits at most 10 s
  // (of the window's clock) for the thread to report; a thread that does not
  // is asked to end for good and freed once it has ended, and the window
  // goes on. Not entered again while it waits.
  void StopThread();

  // ---- Valves ----
  // Sends the six valve positions to the relay board, keeps and draws them;
  // true when the board confirmed them.
  bool SetValvePositions(int iV1O, int iV2O, int iV3O, int iV4O, int iV5O, int iV6O);
  void SetValveGraphics(unsigned ID, bool Open);
  // The valve diagram that Image1 shows, with the bars drawn on it.
  QImage ValvePicture;

  // ---- Flow set-points, totalizers and pulse dosing ----
  // True when the controller confirmed the set-point.
  bool SetMFCFlow(unsigned Address, double Flow);
  // The constant set-point of A (B) once per applied mixture: the flag
  // FlowASetToConstant (FlowBSetToConstant) is set only when the controller
  // confirmed it, so that the cycle sends it again until it does.
  void ConstantFlowA();
  void ConstantFlowB();
  // Resets both totalizers and takes their start readings. A reset that is
  // not confirmed waits: the totalizer reads as not a number, and the reset
  // is sent again by the ticks that read the totalizers (RetryTotalizerResets)
  // until it is confirmed; its start reading and time are taken then.
  void ResetRetrieveTotalizers();
  void RetryTotalizerResets();
  bool SendTotalizerReset(TVogtlinPort& Port, unsigned Address);
  void ReadTotalizers();
  void AinBPulse();
  void BinAPulse();

  // ---- Humidification ----
  // Starts the humidification thread of a wet dilution and stores it in WETT.
  void StartWetting();
  // The humidification thread's hand-over: whether the relay board confirmed
  // the valve masks of its last pass.
  void WettingValvesReported(bool Confirmed);

  // ---- Commands that wait for their confirmation ----
  // What waits; the mixer status shows it, the Debug pane says it once.
  const TCommandConfirmations& Confirmations() const { return FConfirmations; }
  // The mode's own status text ("Dilution", "Flush bypass line with gas B
  // (2 sec)"); LabelStatus shows it with what waits for its confirmation.
  void ShowStatus(const QString& Text);

  // ---- Output rows and data files ----
  void StoreData();
  // Writes the description and the table; reports in the Debug tab. False
  // when the file could not be written.
  bool Save(const QString& Path);
  void Autosave();
  // A right-button press on the table offers the save dialog.
  void StringGrid1MouseDown(Qt::MouseButton Button);

  // ---- The Output tab's chart ----
  // The check box switches the Y axis between logarithmic and linear.
  void CheckBoxOutputLogScaleClick();
  // A right-button press on the chart offers "Save chart image" (PNG, SVG or
  // PDF, by the file's suffix).
  void GraphOutputMouseDown(Qt::MouseButton Button, QPoint GlobalPos);
  // Writes the chart's picture; reports in the Debug tab. False when the
  // picture could not be written.
  bool SaveChartImage(const QString& Path);
  // The values of the stored rows that the chart plots (StoreData appends).
  TOutputPlotData& OutputPlot() const { return *FOutputPlot; }
  TOutputChart* OutputChart = nullptr;

  // ---- Sequence tab ----
  // Runs the sequences; the cycle calls SequenceTick after the automatic stop.
  TSequenceRunner& SequenceRunner() const;
  void SequenceTick();
  // Starts a checked sequence: the log opened, the first step issued.
  void BeginSequence(const TSequence& Sequence);
  // Ends a running sequence (no command is given); Reason goes to the record.
  void EndSequence(const QString& Reason);
  // A line for the Debug pane and the tab's note (pause, resume, skip).
  void SequenceEvent(const QString& Text);
  // Loads a sequence file into the table; false with the reason (the table
  // keeps what it had).
  bool LoadSequence(const QString& Path, QString* Error);
  void ButtonSequenceStartClick();
  void ButtonSequencePauseClick(); // Pause, or Resume while paused
  void ButtonSequenceSkipClick();
  void ButtonSequenceStopClick();
  void ButtonSequenceLoadClick();
  void ButtonSequenceSaveClick();

  // ---- Setup tab ----
  void ButtonSetupFindPortsClick();
  void ListBoxPortSolenoidClick();
  void ListBoxPortMFCClick();
  void ButtonSetupValidateClick();
  void ValidateMFC();
  void ListBoxSetupGas1Click();
  void ListBoxSetupGas2Click();
  void ListBoxSetupGas1KeyUp();
  // Selects the gas chosen in the list of Address on that controller and
  // reads the controller's identity and flow range.
  TFlowInfo MinMaxFlow(const QString& Port, unsigned Address);

  // ---- Output grid: row 0 is the title row ----
  // Titles and widths of the grid's columns from the column table P.
  void SetUpOutputGrid();
  // A quantity with a negative ColID or an empty Caption has no column: no
  // title, no width, and its values are not shown.
  static bool ColumnShown(const RColInfo& Column);
  int GridRowCount() const;
  QString GridCell(int col, int row) const;
  void SetGridCell(int col, int row, const QString& text);
  void GridAddRow();

  // Text of the selected item of a list, or an empty text when none is selected.
  static QString SelectedText(const QListWidget* list);
  bool FakeSolenoidPortSelected() const;
  bool BothFakePortsSelected() const;

  // The save dialog's settings.
  QString SaveDialog1Filter;
  QString SaveDialog1DefaultExt;

  TClock& Clock() const { return *FClock; }
  TDialogService& Dialogs() const { return *FDialogs; }
  // Clock and transport for every device transaction of the window and of
  // the humidification thread. The transport reaches the imaginary mixer only
  // in the test mode.
  TDeviceContext DeviceContext() const;
  // Both port lists are on "Fake port for testing".
  bool TestMode() const { return BothFakePortsSelected(); }
  // Held for every relay board transaction, by the window and the thread.
  QMutex* RelayLock() { return &FRelayLock; }
  // The lines a failed transaction left dirty, for the window and the thread.
  TLineGuard& LineGuard() { return FLineGuard; }
  // The imaginary mixer behind the fake port of the window's own transport
  // (null when the transport came from outside).
  TImaginaryMixer* OwnImaginaryMixer() const { return FOwnMixer.get(); }

  // ---- Widgets, named as in the window ----
  TPageControl* PageControl1 = nullptr;
  QWidget *Setup = nullptr, *TabSheet1 = nullptr, *TabSheet2 = nullptr, *TabSheet3 = nullptr;
  // Setup
  QPushButton* ButtonSetupFindPorts = nullptr;
  QListWidget *ListBoxPortSolenoid = nullptr, *ListBoxPortMFC = nullptr;
  QPushButton* ButtonSetupValidate = nullptr;
  QPlainTextEdit* MemoSetupFeedback = nullptr;
  QListWidget *ListBoxSetupGas1 = nullptr, *ListBoxSetupGas2 = nullptr;
  QCheckBox *CheckBoxSolenoidOK = nullptr, *CheckBoxMFCOK = nullptr,
            *CheckBoxGasesSelected = nullptr;
  // Operation
  QLabel* Image1 = nullptr;
  QSplitter* Splitter1 = nullptr;
  QPlainTextEdit* Memo4 = nullptr;
  TGvIntegerEdit *GvIntegerEditGasAPPM = nullptr, *GvIntegerEditGasBPPM = nullptr,
                 *GvIntegerEditH2Oppm = nullptr;
  TGvDoubleEdit* GvIntegerEditpH2O = nullptr;
  QLabel* Label14 = nullptr;
  QPushButton* Button2 = nullptr;
  TGvNumericUpDn* GvNumericUpDn1 = nullptr;
  TGvDoubleEdit* GvDoubleEditProtective = nullptr;
  QLabel* LabelStatus = nullptr;
  QPushButton *ButtonStop = nullptr, *ButtonFlush = nullptr, *ButtonBypass = nullptr,
              *ButtonDilution = nullptr;
  QLineEdit* EditAutosaveFilename = nullptr;
  QLabel* Label17 = nullptr;
  QGroupBox* GroupBox12 = nullptr;
  TGvIntegerEdit *GvIntegerEdit1 = nullptr, *GvIntegerEdit2 = nullptr;
  QPushButton* Button3 = nullptr;
  // Output: the chart above the table, in a splitter
  QSplitter* SplitterOutput = nullptr;
  QWidget* PanelOutputChart = nullptr;
  TGvGraph2D* GraphOutput = nullptr;
  QCheckBox* CheckBoxOutputLogScale = nullptr;
  QTableWidget* StringGrid1 = nullptr;
  // Sequence: the page is the panel with the table, the run buttons and the progress
  TSequencePanel* TabSheetSequence = nullptr;
  // Debug
  QPlainTextEdit* MemoDevFeedback = nullptr;
  QPushButton* Button1 = nullptr;
  // Non-visual
  QTimer* Timer1 = nullptr;

protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

private:
  void BuildWindow();
  QWidget* BuildSetupTab();
  QWidget* BuildOperationTab();
  QWidget* BuildOutputTab();
  QWidget* BuildDebugTab();
  QWidget* BuildSequenceTab();
  void SetUpSequence();
  void SequenceStepStarted(const TStepStart& Start);
  void SequenceEnded(TSequenceState State, const QString& Reason);
  void ShowSequenceProgress();
  void ReportSequenceCommand(const TCommandResult& Result);
  void ConnectHandlers();
  void SetMemo4Width(int width);
  void FlushSequence();
  // Waits Ms during a flush step, sending what of the step waits for its
  // confirmation again every 250 ms.
  void FlushWait(unsigned Ms, const TValveLineUp& Valves, double FlowB);
  void DilutionStep();
  // The valves and set-points of a mode, noted with their confirmation.
  bool CommandValves(const TValveLineUp& LineUp);
  bool CommandFlow(unsigned Address, double Flow);
  // Both set-points 0 (the controllers validated): the first step of every stop.
  void CutFlows();
  // At closing: what of the safe state waits for its confirmation is sent
  // again, a few times 250 ms apart.
  void RepeatUnconfirmedSafeState();
  void NoteCommand(TConfirmedCommand Command, bool Confirmed, const QString& What);
  void RefreshStatus();
  void PulseStep(unsigned Address);
  void AppendDebugLine(const QString& line);
  void ReapUnreportedThreads();
  void EndUnreportedThreads();
  bool eventFilter(QObject* watched, QEvent* event) override;

  TClock* FClock;
  TDialogService* FDialogs;
  std::unique_ptr<TDialogService> FOwnDialogs;
  std::unique_ptr<TImaginaryMixer> FOwnMixer;
  std::unique_ptr<TDeviceTransport> FOwnTransport;
  TSerialTransport* FTransport;
  std::unique_ptr<TTestModeTransport> FPortView; // FTransport as the window uses it
  std::unique_ptr<TOutputPlotData> FOutputPlot;
  std::unique_ptr<TMixerControl> FControl;
  std::unique_ptr<TSequenceRunner> FSequenceRunner;
  TSequenceLog FSequenceLog;
  QMutex FRelayLock;             // one relay board transaction at a time, window or thread
  mutable TLineGuard FLineGuard; // lines left dirty, for the window and the thread
  TCommandConfirmations FConfirmations;
  QString FStatusText = QStringLiteral("Undefined"); // the mode's own status text
  bool FGasesFromTestMode = false; // the gas records hold the imaginary mixer's values
  bool FInTick = false;            // Timer1Timer runs
  bool FStopWaiting = false;       // StopThread waits for the humidification thread
  // Humidification threads a stop gave up on, until they have ended.
  std::vector<std::unique_ptr<QThread>> FUnreportedThreads;
  unsigned FRandomState = 0x2545F491u;
  bool FClosed = false;         // the shutdown steps have run: nothing may open a valve again
  bool FCloseAfterStop = false; // a close came while a stop waited: closing follows the wait
};
