#include "app/UnitMain.h"

#include "app/DialogService.h"
#include "app/MixerControl.h"
#include "app/OutputChart.h"
#include "app/OutputPlot.h"
#include "app/PageControl.h"
#include "app/TestModeTransport.h"
#include "app/ValveDiagram.h"
#include "sequence/SequencePanel.h"
#include "sequence/SequenceRunner.h"
#include "controls/GvDateTime.h"
#include "controls/GvFloatEdit.h"
#include "controls/GvIntegerEdit.h"
#include "controls/GvStringFunctions.h"
#include "devices/Clock.h"
#include "devices/ImaginaryMixer.h"
#include "devices/SerialTransport.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace {
template <class T> T* Named(T* widget, const char* name)
{
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QLabel* Caption(const QString& text, QWidget* parent = nullptr)
{
  auto* label = new QLabel(text, parent);
  return label;
}

QFont FixedPitchFont()
{
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}
} // namespace

TForm1::TForm1(const TFormServices& services, QWidget* parent)
    : QMainWindow(parent), FClock(services.Clock ? services.Clock : &SystemClock()),
      FDialogs(services.Dialogs), FTransport(services.Transport)
{
  if (!FDialogs) {
    FOwnDialogs = std::make_unique<TQtDialogService>();
    FDialogs = FOwnDialogs.get();
  }
  if (!FTransport) {
    FOwnMixer = std::make_unique<TImaginaryMixer>();
    FOwnTransport = std::make_unique<TDeviceTransport>(FOwnMixer.get());
    FTransport = FOwnTransport.get();
  }
  FPortView = std::make_unique<TTestModeTransport>(*FTransport);
  FOutputPlot = std::make_unique<TOutputPlotData>();
  FControl = std::make_unique<TMixerControl>(*this);
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Mix"));
  QFont font(QStringLiteral("Tahoma"), 8);
  setFont(font);
  BuildWindow();
  resize(1069, 771);
  ConnectHandlers();
  SetUpSequence();
  FormCreate();
}

TForm1::~TForm1()
{
  Timer1->stop();
  StopThread();
  EndUnreportedThreads();
  // The chart's series go before the vectors they read.
  delete OutputChart;
  OutputChart = nullptr;
}

// ---------------------------------------------------------------- the window

void TForm1::BuildWindow()
{
  PageControl1 = Named(new TPageControl(this), "PageControl1");
  setCentralWidget(PageControl1);
  PageControl1->addTab(Setup = Named(BuildSetupTab(), "Setup"), QStringLiteral("Setup"));
  PageControl1->addTab(TabSheet1 = Named(BuildOperationTab(), "TabSheet1"),
                       QStringLiteral("Operation"));
  PageControl1->addTab(BuildSequenceTab(), QStringLiteral("Sequence"));
  PageControl1->addTab(TabSheet2 = Named(BuildOutputTab(), "TabSheet2"), QStringLiteral("Output"));
  PageControl1->addTab(TabSheet3 = Named(BuildDebugTab(), "TabSheet3"), QStringLiteral("Debug"));

  Timer1 = Named(new QTimer(this), "Timer1");
  Timer1->setInterval(250);
}

QWidget* TForm1::BuildSetupTab()
{
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);

  auto* g1 = new QGroupBox(QStringLiteral("1. List ports"));
  auto* l1 = new QVBoxLayout(g1);
  ButtonSetupFindPorts =
      Named(new QPushButton(QStringLiteral("Find ports")), "ButtonSetupFindPorts");
  l1->addWidget(ButtonSetupFindPorts);
  l1->addStretch();

  auto* g2 = new QGroupBox(QStringLiteral("2. Select ports"));
  auto* l2 = new QGridLayout(g2);
  l2->addWidget(Caption(QStringLiteral("Port for Solenoid control")), 0, 0);
  l2->addWidget(Caption(QStringLiteral("Port for MFC control")), 0, 1);
  ListBoxPortSolenoid = Named(new QListWidget, "ListBoxPortSolenoid");
  ListBoxPortMFC = Named(new QListWidget, "ListBoxPortMFC");
  l2->addWidget(ListBoxPortSolenoid, 1, 0);
  l2->addWidget(ListBoxPortMFC, 1, 1);

  auto* g3 = new QGroupBox(QStringLiteral("3. Validate"));
  auto* l3 = new QVBoxLayout(g3);
  ButtonSetupValidate =
      Named(new QPushButton(QStringLiteral("Validate ports && equipment")), "ButtonSetupValidate");
  ButtonSetupValidate->setVisible(false);
  l3->addWidget(ButtonSetupValidate);
  l3->addWidget(Caption(QStringLiteral("Feedback")));
  MemoSetupFeedback = Named(new QPlainTextEdit, "MemoSetupFeedback");
  MemoSetupFeedback->setFont(FixedPitchFont());
  MemoSetupFeedback->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  MemoSetupFeedback->setLineWrapMode(QPlainTextEdit::NoWrap);
  l3->addWidget(MemoSetupFeedback);

  auto* g4 = new QGroupBox(QStringLiteral("4. Select operating gases"));
  auto* l4 = new QGridLayout(g4);
  l4->addWidget(Caption(QStringLiteral("Click each list box and and wait few seconds")), 0, 0, 1,
                2);
  l4->addWidget(Caption(QStringLiteral("Gas A, to be diluted")), 1, 0);
  l4->addWidget(Caption(QStringLiteral("Gas B, diluting")), 1, 1);
  ListBoxSetupGas1 = Named(new QListWidget, "ListBoxSetupGas1");
  ListBoxSetupGas1->addItems({"O2", "5%H2,95%Ar", "Air", "H2"});
  ListBoxSetupGas2 = Named(new QListWidget, "ListBoxSetupGas2");
  ListBoxSetupGas2->addItems({"Ar", "N2", "H2", "H2O"});
  l4->addWidget(ListBoxSetupGas1, 2, 0);
  l4->addWidget(ListBoxSetupGas2, 2, 1);

  auto* g5 = new QGroupBox(QStringLiteral("5. Conclusion"));
  auto* l5 = new QVBoxLayout(g5);
  CheckBoxSolenoidOK =
      Named(new QCheckBox(QStringLiteral("Solenoid control is OK")), "CheckBoxSolenoidOK");
  CheckBoxMFCOK = Named(new QCheckBox(QStringLiteral("MFC control is OK")), "CheckBoxMFCOK");
  CheckBoxGasesSelected =
      Named(new QCheckBox(QStringLiteral("Gases are selected")), "CheckBoxGasesSelected");
  for (QCheckBox* box : {CheckBoxSolenoidOK, CheckBoxMFCOK, CheckBoxGasesSelected}) {
    box->setEnabled(false);
    l5->addWidget(box);
  }
  l5->addWidget(Caption(QStringLiteral("Proceed to Operation tab when all 3 are checked")));
  l5->addStretch();

  // Reading order: 1 and 2 in the first column, 3 in the middle, 4 and 5 last.
  grid->addWidget(g1, 0, 0);
  grid->addWidget(g2, 1, 0);
  grid->addWidget(g3, 0, 1, 2, 1);
  grid->addWidget(g4, 0, 2);
  grid->addWidget(g5, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(1, 1);
  return page;
}

QWidget* TForm1::BuildOperationTab()
{
  Splitter1 = Named(new QSplitter(Qt::Horizontal), "Splitter1");
  auto* left = new QWidget;
  auto* leftLayout = new QVBoxLayout(left);

  Image1 = Named(new QLabel, "Image1");
  Image1->setFixedSize(998, 318);
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  ValvePicture = DrawValveDiagram();
  leftLayout->addWidget(Image1);

  auto* row = new QHBoxLayout;
  leftLayout->addLayout(row);
  leftLayout->addStretch();

  // Desired mixture.
  auto* mixture = new QGroupBox(QStringLiteral("Desired mixture"));
  auto* mixtureLayout = new QHBoxLayout(mixture);
  auto* fractions = new QGroupBox(QStringLiteral("Fractions ppm"));
  auto* fl = new QGridLayout(fractions);
  GvIntegerEditGasAPPM = Named(new TGvIntegerEdit, "GvIntegerEditGasAPPM");
  GvIntegerEditGasAPPM->SetMinValue(0);
  GvIntegerEditGasAPPM->SetMaxValue(1000000);
  GvIntegerEditGasAPPM->SetValue(150);
  GvIntegerEditGasBPPM = Named(new TGvIntegerEdit, "GvIntegerEditGasBPPM");
  GvIntegerEditGasBPPM->SetValue(999850);
  GvIntegerEditGasBPPM->setEnabled(false);
  GvIntegerEditH2Oppm = Named(new TGvIntegerEdit, "GvIntegerEditH2Oppm");
  GvIntegerEditH2Oppm->SetMinValue(0);
  GvIntegerEditH2Oppm->SetMaxValue(1000000);
  GvIntegerEditH2Oppm->SetValue(0);
  GvIntegerEditH2Oppm->setMaxLength(8);
  GvIntegerEditpH2O = Named(new TGvDoubleEdit, "GvIntegerEditpH2O");
  GvIntegerEditpH2O->SetFormat(QStringLiteral("0.000 000"));
  GvIntegerEditpH2O->SetValue(0);
  GvIntegerEditpH2O->setEnabled(false);
  fl->addWidget(Caption(QStringLiteral("Gas A")), 0, 0);
  fl->addWidget(GvIntegerEditGasAPPM, 0, 1);
  fl->addWidget(Caption(QStringLiteral("Gas B")), 1, 0);
  fl->addWidget(GvIntegerEditGasBPPM, 1, 1);
  fl->addWidget(Caption(QStringLiteral("H2O")), 2, 0);
  fl->addWidget(GvIntegerEditH2Oppm, 2, 1);
  fl->addWidget(Caption(QStringLiteral("pH2O (atm)")), 3, 0);
  fl->addWidget(GvIntegerEditpH2O, 3, 1);
  Label14 = Named(new QLabel, "Label14");
  fl->addWidget(Label14, 4, 0, 1, 2);
  auto* note =
      Caption(QStringLiteral("20ºC used if measurement fails or result is not within 20-40ºC"));
  note->setWordWrap(true);
  fl->addWidget(note, 5, 0, 1, 2);
  Button2 = Named(new QPushButton(QStringLiteral("Max")), "Button2");
  fl->addWidget(Button2, 2, 2);
  mixtureLayout->addWidget(fractions);

  auto* limits = new QVBoxLayout;
  auto* maxFlow = new QGroupBox(QStringLiteral("Max flow"));
  auto* ml = new QVBoxLayout(maxFlow);
  ml->addWidget(Caption(QStringLiteral("Gas B limit (g/min)")));
  GvNumericUpDn1 = Named(new TGvNumericUpDn, "GvNumericUpDn1");
  GvNumericUpDn1->SetMaxValue(2.0);
  GvNumericUpDn1->SetIncrement(0.001);
  GvNumericUpDn1->SetDigits(6);
  GvNumericUpDn1->SetBtnWidth(15);
  GvNumericUpDn1->SetValue(0.4);
  ml->addWidget(GvNumericUpDn1);
  limits->addWidget(maxFlow);

  auto* protective = new QGroupBox(QStringLiteral("Protective gas, same species as B, @25ºC"));
  auto* pl = new QGridLayout(protective);
  GvDoubleEditProtective = Named(new TGvDoubleEdit, "GvDoubleEditProtective");
  GvDoubleEditProtective->SetValue(0);
  pl->addWidget(GvDoubleEditProtective, 0, 0);
  pl->addWidget(Caption(QStringLiteral("ml/min")), 0, 1);
  auto* protectiveNote = Caption(QStringLiteral("Effect on mixture only visible in output tab."));
  protectiveNote->setWordWrap(true);
  pl->addWidget(protectiveNote, 1, 0, 1, 2);
  limits->addWidget(protective);
  mixtureLayout->addLayout(limits);
  row->addWidget(mixture);

  // Operating status.
  auto* status = new QGroupBox(QStringLiteral("Operating status"));
  auto* sl = new QVBoxLayout(status);
  auto* statusLine = new QHBoxLayout;
  statusLine->addWidget(Caption(QStringLiteral("Mixer status:")));
  LabelStatus = Named(new QLabel(QStringLiteral("Undefined")), "LabelStatus");
  statusLine->addWidget(LabelStatus, 1);
  sl->addLayout(statusLine);
  ButtonStop = Named(new QPushButton(QStringLiteral("Stop")), "ButtonStop");
  ButtonStop->setToolTip(QStringLiteral(
      "Stops whatever the mixer is doing and closes all valves as quickly as possible. Note, that "
      "disconnecting the main power is more reliable way to disable the mixer in case of "
      "emergency."));
  ButtonFlush = Named(new QPushButton(QStringLiteral("Flush")), "ButtonFlush");
  ButtonFlush->setToolTip(QStringLiteral(
      "Short procedure to remove some of the existing gases in the mixer. Multiple rounds of "
      "flushing may be required when input gas types are changed."));
  ButtonBypass = Named(new QPushButton(QStringLiteral("Bypass")), "ButtonBypass");
  ButtonBypass->setToolTip(
      QStringLiteral("Switch immediately from diluted mixture to pure, dry gas B."));
  ButtonDilution = Named(new QPushButton(QStringLiteral("Apply Mixture")), "ButtonDilution");
  ButtonDilution->setToolTip(QStringLiteral("Create mixture according user wishes."));
  for (QPushButton* b : {ButtonStop, ButtonFlush, ButtonBypass, ButtonDilution}) sl->addWidget(b);
  sl->addStretch();
  row->addWidget(status);

  // Autosave, automatic stop and store interval.
  auto* right = new QVBoxLayout;
  auto* autosave = new QGroupBox(QStringLiteral("Autosave filename"));
  auto* al = new QVBoxLayout(autosave);
  EditAutosaveFilename = Named(new QLineEdit(QStringLiteral("Filename")), "EditAutosaveFilename");
  Label17 = Named(new QLabel(QStringLiteral("Last autosave: never")), "Label17");
  al->addWidget(EditAutosaveFilename);
  al->addWidget(Label17);
  right->addWidget(autosave);

  GroupBox12 = Named(new QGroupBox(QStringLiteral("Automatic stop countdown")), "GroupBox12");
  auto* gl = new QHBoxLayout(GroupBox12);
  GvIntegerEdit1 = Named(new TGvIntegerEdit, "GvIntegerEdit1");
  GvIntegerEdit1->SetMinValue(1);
  GvIntegerEdit1->SetMaxValue(72);
  GvIntegerEdit1->SetValue(24);
  Button3 = Named(new QPushButton(QStringLiteral("Add hours to counter")), "Button3");
  gl->addWidget(GvIntegerEdit1);
  gl->addWidget(Button3);
  right->addWidget(GroupBox12);

  auto* store = new QGroupBox(QStringLiteral("Data store interval (m)"));
  auto* stl = new QHBoxLayout(store);
  GvIntegerEdit2 = Named(new TGvIntegerEdit, "GvIntegerEdit2");
  GvIntegerEdit2->SetMinValue(0);
  GvIntegerEdit2->SetMaxValue(60);
  GvIntegerEdit2->SetValue(1);
  stl->addWidget(GvIntegerEdit2);
  right->addWidget(store);
  right->addStretch();
  row->addLayout(right);
  row->addStretch();

  for (TGvIntegerEdit* e : {GvIntegerEditGasAPPM, GvIntegerEditGasBPPM, GvIntegerEditH2Oppm,
                            GvIntegerEdit1, GvIntegerEdit2})
    e->setMaximumWidth(90);
  for (QWidget* e :
       {static_cast<QWidget*>(GvIntegerEditpH2O), static_cast<QWidget*>(GvNumericUpDn1),
        static_cast<QWidget*>(GvDoubleEditProtective)})
    e->setMaximumWidth(90);

  Memo4 = Named(new QPlainTextEdit, "Memo4");
  Memo4->setFont(FixedPitchFont());
  Memo4->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo4->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  // At narrow widths the left side scrolls instead of squeezing its controls.
  auto* leftScroll = new QScrollArea;
  leftScroll->setWidget(left);
  leftScroll->setWidgetResizable(true);
  leftScroll->setFrameShape(QFrame::NoFrame);
  leftScroll->setMinimumWidth(1);
  Splitter1->addWidget(leftScroll);
  Splitter1->addWidget(Memo4);
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  Splitter1->setChildrenCollapsible(false);
  for (TGvIntegerEdit* e : {GvIntegerEditGasAPPM, GvIntegerEditGasBPPM, GvIntegerEditH2Oppm,
                            GvIntegerEdit1, GvIntegerEdit2})
    e->Loaded();
  GvIntegerEditpH2O->Loaded();
  GvNumericUpDn1->Loaded();
  GvDoubleEditProtective->Loaded();
  auto* page = new QWidget;
  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->setContentsMargins(0, 0, 0, 0);
  pageLayout->addWidget(Splitter1);
  return page;
}

QWidget* TForm1::BuildOutputTab()
{
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  SplitterOutput = Named(new QSplitter(Qt::Vertical), "SplitterOutput");

  PanelOutputChart = Named(new QWidget, "PanelOutputChart");
  auto* chartLayout = new QVBoxLayout(PanelOutputChart);
  chartLayout->setContentsMargins(0, 0, 0, 0);
  chartLayout->setSpacing(2);
  OutputChart = new TOutputChart(*FOutputPlot, PanelOutputChart, Clock().Now());
  GraphOutput = OutputChart->Graph();
  GraphOutput->setMinimumHeight(160);
  chartLayout->addWidget(GraphOutput, 1);
  CheckBoxOutputLogScale =
      Named(new QCheckBox(QStringLiteral("Logarithmic scale")), "CheckBoxOutputLogScale");
  CheckBoxOutputLogScale->setChecked(true);
  auto* chartBar = new QHBoxLayout;
  chartBar->setContentsMargins(4, 0, 4, 2);
  chartBar->addWidget(CheckBoxOutputLogScale);
  chartBar->addStretch();
  chartLayout->addLayout(chartBar);

  StringGrid1 = Named(new QTableWidget(1, 17), "StringGrid1");
  StringGrid1->verticalHeader()->setVisible(false);
  StringGrid1->verticalHeader()->setDefaultSectionSize(24);
  StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  StringGrid1->setShowGrid(true);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setContextMenuPolicy(Qt::PreventContextMenu);
  SplitterOutput->addWidget(PanelOutputChart);
  SplitterOutput->addWidget(StringGrid1);
  SplitterOutput->setStretchFactor(0, 3);
  SplitterOutput->setStretchFactor(1, 2);
  SplitterOutput->setChildrenCollapsible(false);
  layout->addWidget(SplitterOutput);
  return page;
}

QWidget* TForm1::BuildDebugTab()
{
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  MemoDevFeedback = Named(new QPlainTextEdit, "MemoDevFeedback");
  MemoDevFeedback->setFont(FixedPitchFont());
  MemoDevFeedback->setLineWrapMode(QPlainTextEdit::NoWrap);
  Button1 = Named(new QPushButton(QStringLiteral("Don't ever click")), "Button1");
  layout->addWidget(MemoDevFeedback);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addStretch();
  layout->addLayout(buttons);
  return page;
}

void TForm1::ConnectHandlers()
{
  PageControl1->Bar()->CanChange = [this] { return PageControl1Changing(); };
  connect(PageControl1, &TPageControl::UserChanged, this, [this] { PageControl1Change(); });
  for (TGvIntegerEdit* e : {GvIntegerEditGasAPPM, GvIntegerEditGasBPPM, GvIntegerEditH2Oppm,
                            GvIntegerEdit1, GvIntegerEdit2})
    connect(e, &TGvIntegerEdit::OnValueChanged, this, &TForm1::GvIntegerEditGasAPPMValueChanged);
  connect(GvNumericUpDn1, &TGvNumericUpDn::OnValueChanged, this,
          &TForm1::GvNumericUpDn1ValueChanged);
  connect(GvNumericUpDn1, &TGvNumericUpDn::OnClick, this, &TForm1::GvNumericUpDn1Click);
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(ButtonSetupFindPorts, &QPushButton::clicked, this,
          [this] { ButtonSetupFindPortsClick(); });
  connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  connect(ButtonStop, &QPushButton::clicked, this, [this] { ButtonStopClick(); });
  connect(ButtonFlush, &QPushButton::clicked, this, [this] { ButtonFlushClick(); });
  connect(ButtonBypass, &QPushButton::clicked, this, [this] { ButtonBypassClick(); });
  connect(ButtonDilution, &QPushButton::clicked, this, [this] { ButtonDilutionClick(); });
  connect(ButtonSetupValidate, &QPushButton::clicked, this, [this] { ButtonSetupValidateClick(); });
  connect(ListBoxPortSolenoid, &QListWidget::itemClicked, this,
          [this] { ListBoxPortSolenoidClick(); });
  connect(ListBoxPortMFC, &QListWidget::itemClicked, this, [this] { ListBoxPortMFCClick(); });
  connect(ListBoxSetupGas1, &QListWidget::itemClicked, this, [this] { ListBoxSetupGas1Click(); });
  connect(ListBoxSetupGas2, &QListWidget::itemClicked, this, [this] { ListBoxSetupGas2Click(); });
  for (QListWidget* list :
       {ListBoxPortSolenoid, ListBoxPortMFC, ListBoxSetupGas1, ListBoxSetupGas2})
    list->installEventFilter(this);
  // The humidification thread opens its ports without asking the lists.
  for (QListWidget* list : {ListBoxPortSolenoid, ListBoxPortMFC})
    connect(list, &QListWidget::itemSelectionChanged, this,
            [this] { FPortView->SetTestMode(TestMode()); });
  StringGrid1->viewport()->installEventFilter(this);
  connect(CheckBoxOutputLogScale, &QCheckBox::toggled, this,
          [this] { CheckBoxOutputLogScaleClick(); });
  OutputChart->OnMouseDown = [this](Qt::MouseButton button, QPoint at) {
    GraphOutputMouseDown(button, at);
  };
}

// ---------------------------------------------------------------- start-up

void TForm1::FormCreate()
{
  Shared.LastAutoSave = 0;
  Shared.AutoStopTime = Clock().Now() + 1;
  SetMemo4Width(533);
  PageControl1->SetActivePageIndex(0);
  for (unsigned valve = 1; valve <= 6; ++valve) SetValveGraphics(valve, false);
  StringGrid1->setColumnCount(20);
  Shared.H2OC = GetCompound(QStringLiteral("H2O"));
  Shared.P = DefaultColumnTable();
  SetUpOutputGrid();
  SaveDialog1Filter = QStringLiteral("Comma separated file|*.csv|Text file|*.txt");
  SaveDialog1DefaultExt = QStringLiteral("csv");
  ButtonSetupFindPortsClick();
  GvNumericUpDn1Click(GvNumericUpDn1);
  Timer1->start();
}

void TForm1::SetMemo4Width(int width)
{
  const int total = std::max(Splitter1->width(), width + 1);
  Memo4->resize(width, Memo4->height());
  Splitter1->setSizes({total - width - Splitter1->handleWidth(), width});
}

void TForm1::FormResize()
{
  const QScreen* screen = this->screen() ? this->screen() : QApplication::primaryScreen();
  if (!screen) return;
  SetMemo4Width(int(std::floor(0.4 * screen->geometry().width())));
}

void TForm1::resizeEvent(QResizeEvent* event)
{
  QMainWindow::resizeEvent(event);
  FormResize();
}

bool TForm1::PageControl1Changing()
{
  const bool allowed = CheckBoxSolenoidOK->isChecked() && CheckBoxMFCOK->isChecked() &&
                       CheckBoxGasesSelected->isChecked();
  if (!allowed)
    Dialogs().ShowMessage(
        this, QStringLiteral(
                  "Must validate equipment and select gas types before proceeding to operation"));
  return allowed;
}

void TForm1::PageControl1Change()
{
  const int index = PageControl1->currentIndex();
  if (index == 0) {
    if (Dialogs().AskYesNo(this, QStringLiteral("Confirm action"),
                           QStringLiteral("Clear selected gases?"))) {
      CheckBoxGasesSelected->setChecked(false);
      FGasesFromTestMode = false;
      ListBoxSetupGas1->clearSelection();
      ListBoxSetupGas1->setCurrentItem(nullptr);
      ListBoxSetupGas2->clearSelection();
      ListBoxSetupGas2->setCurrentItem(nullptr);
      Dialogs().ShowMessage(this, QStringLiteral("Gas selections removed"));
    }
  } else if (index == 1) {
    GvIntegerEditH2OTempValueChanged();
  }
}

void TForm1::CheckContinue()
{
  CheckBoxGasesSelected->setChecked(CheckBoxSolenoidOK->isChecked() && CheckBoxMFCOK->isChecked() &&
                                    !SelectedText(ListBoxSetupGas1).isEmpty() &&
                                    !SelectedText(ListBoxSetupGas2).isEmpty());
}

void TForm1::FormClose()
{
  if (!ButtonStop->isEnabled()) return;
  // No tick may run after the shutdown steps (one already due would
  // otherwise carry out the mode again before the program ends).
  FClosed = true;
  EndSequence(QStringLiteral("the window closed"));
  StopThread();
  Timer1->stop();
  if (CheckBoxSolenoidOK->isChecked()) SetValvePositions(0, 0, 0, 0, 0, 0);
  if (CheckBoxMFCOK->isChecked()) {
    SetMFCFlow(1, 0);
    SetMFCFlow(2, 0);
  }
  // Rows stored since the last autosave would be lost with the window (a
  // signal or a logout gives the operator no chance to save them).
  if (!GridCell(0, 1).isEmpty()) Autosave();
}

void TForm1::closeEvent(QCloseEvent* event)
{
  FormClose();
  QMainWindow::closeEvent(event);
}

// ---------------------------------------------------------------- lists and grid

QString TForm1::SelectedText(const QListWidget* list)
{
  const QList<QListWidgetItem*> items = list->selectedItems();
  return items.isEmpty() ? QString() : items.first()->text();
}

bool TForm1::FakeSolenoidPortSelected() const
{
  return SelectedText(ListBoxPortSolenoid) == FakePortName();
}

bool TForm1::BothFakePortsSelected() const
{
  return FakeSolenoidPortSelected() && SelectedText(ListBoxPortMFC) == FakePortName();
}

TDeviceContext TForm1::DeviceContext() const
{
  FPortView->SetTestMode(TestMode());
  return {FClock, FPortView.get()};
}

bool TForm1::ColumnShown(const RColInfo& Column)
{
  return Column.ColID >= 0 && !Column.Caption.isEmpty();
}

void TForm1::SetUpOutputGrid()
{
  for (int i = 0; i < PropertyCount; ++i) {
    const RColInfo& c = Shared.P[i];
    if (!ColumnShown(c) || c.ColID >= StringGrid1->columnCount()) continue;
    SetGridCell(c.ColID, 0, c.Caption);
    StringGrid1->setColumnWidth(c.ColID, c.ColW);
  }
}

int TForm1::GridRowCount() const
{
  return StringGrid1->rowCount() + 1;
}

QString TForm1::GridCell(int col, int row) const
{
  if (row == 0) {
    const QTableWidgetItem* item = StringGrid1->horizontalHeaderItem(col);
    return item ? item->text() : QString();
  }
  const QTableWidgetItem* item = StringGrid1->item(row - 1, col);
  return item ? item->text() : QString();
}

void TForm1::SetGridCell(int col, int row, const QString& text)
{
  if (row == 0) {
    StringGrid1->setHorizontalHeaderItem(col, new QTableWidgetItem(text));
    return;
  }
  if (QTableWidgetItem* item = StringGrid1->item(row - 1, col))
    item->setText(text);
  else
    StringGrid1->setItem(row - 1, col, new QTableWidgetItem(text));
}

int TForm1::OutputRowCount() const
{
  // The table always shows one row below its titles; it counts once it holds
  // anything.
  const int rows = StringGrid1->rowCount();
  if (rows == 1)
    for (int c = 0; c < StringGrid1->columnCount(); ++c)
      if (!GridCell(c, 1).isEmpty()) return 1;
  return rows == 1 ? 0 : rows;
}

void TForm1::GridAddRow()
{
  StringGrid1->setRowCount(StringGrid1->rowCount() + 1);
}

// ---------------------------------------------------------------- mixture

void TForm1::Calculate(bool Apply)
{
  TMixerData& S = Shared;
  S.FIB.Max = float(GvNumericUpDn1->Value());
  if (Apply) {
    Memo4->clear();
    S.Counter = 0;
    S.FLBI = 1;
    S.FLAI = 1;
    S.PulseALimitLogged = S.PulseBLimitLogged = false;
    S.FlowASetToConstant = false;
    S.FlowBSetToConstant = false;
  }

  if (!GridCell(0, 1).isEmpty()) GridAddRow();
  if (ColumnShown(S.P[TProperty::Mode]))
    SetGridCell(S.P[TProperty::Mode].ColID, GridRowCount() - 1, QStringLiteral("Reset"));

  TMixtureInput in;
  in.a = GvIntegerEditGasAPPM->Value();
  in.b = GvIntegerEditGasBPPM->Value();
  in.w = GvIntegerEditH2Oppm->Value();
  in.p = GvIntegerEditpH2O->Value();
  in.GasA = SelectedText(ListBoxSetupGas1);
  in.GasB = SelectedText(ListBoxSetupGas2);
  in.FIA = S.FIA;
  in.FIB = S.FIB;
  in.DesiredH2OTimeFraction = S.DesiredH2OTimeFraction;
  const TMixtureResult r = CalculateMixture(in);
  if (!r.Computed) return;

  if (r.WaterInB) S.H2OFractioninB = r.H2OFractioninB;
  Memo4->setPlainText(r.Lines.join(u'\n'));
  // A preview only describes; applying makes the results the ones the cycle uses.
  if (Apply) {
    S.MixingMethod = r.MixingMethod;
    S.DesiredFlowAGramsperMinute = r.DesiredFlowAGramsperMinute;
    S.DesiredFlowBGramsperMinute = r.DesiredFlowBGramsperMinute;
    S.DesiredH2OTimeFraction = r.DesiredH2OTimeFraction;
  }
}

void TForm1::GvIntegerEditGasAPPMValueChanged(QObject*)
{
  if (Shared.ppmUpdating) return;
  GvIntegerEditH2OTempValueChanged();
  Shared.ppmUpdating = true;
  const bool fake = FakeSolenoidPortSelected();
  const int a = GvIntegerEditGasAPPM->Value();
  int w = GvIntegerEditH2Oppm->Value();
  GvIntegerEditGasBPPM->SetValue(1000000 - a - w);
  const double x = (1000000.0 - a) * GvIntegerEditpH2O->Value();
  if (w > 0 && w > x && !fake) {
    w = int(RoundHalfEven(x));
    GvIntegerEditH2Oppm->SetValue(w);
    GvIntegerEditGasBPPM->SetValue(1000000 - a - w);
  }
  Shared.ppmUpdating = false;
  Calculate(false);
}

void TForm1::Button2Click()
{
  GvIntegerEditH2Oppm->SetValue(int(std::floor(GvIntegerEditpH2O->Value() * 1000000)));
}

void TForm1::GvNumericUpDn1Click(QObject* Sender)
{
  GvNumericUpDn1ValueChanged(Sender);
}

void TForm1::GvNumericUpDn1ValueChanged(QObject*)
{
  Shared.FIB.Max = float(GvNumericUpDn1->Value());
  Calculate(false);
}

// ---------------------------------------------------------------- devices
