#include "controls/GvIntegerEdit.h"

#include "controls/GvStringFunctions.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

TGvBeepHook& BeepHook()
{
  static TGvBeepHook hook;
  return hook;
}

// The edit's inner margin on each side of the text line.
constexpr int cEditInnerMargin = 2;

} // namespace

void GvBeep()
{
  if (const TGvBeepHook& hook = BeepHook())
    hook();
  else
    QApplication::beep();
}

TGvBeepHook SetGvBeepHook(TGvBeepHook Hook)
{
  TGvBeepHook previous = std::move(BeepHook());
  BeepHook() = std::move(Hook);
  return previous;
}

QString GvKeyChars(const QKeyEvent& Event)
{
  const int key = Event.key();
  const Qt::KeyboardModifiers mods = Event.modifiers();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) return QStringLiteral("\r");
  if (key == Qt::Key_Backspace) return QStringLiteral("\b");
  if (key == Qt::Key_Delete || key == Qt::Key_Escape || key == Qt::Key_Tab ||
      key == Qt::Key_Backtab)
    return QString();
  if ((mods & Qt::ControlModifier) && !(mods & (Qt::AltModifier | Qt::MetaModifier))) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return QString(QChar(char16_t(key - Qt::Key_A + 1)));
    return QString();
  }
  const QString text = Event.text();
  if (text.isEmpty()) return QString();
  for (QChar c : text)
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) return QString();
  return text;
}

int GvEditClientWidth(const QLineEdit& Edit)
{
  // The same frame option QLineEdit paints with.
  QStyleOptionFrame opt;
  opt.initFrom(&Edit);
  opt.rect = Edit.contentsRect();
  opt.lineWidth =
      Edit.hasFrame() ? Edit.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, &Edit) : 0;
  opt.midLineWidth = 0;
  opt.state |= QStyle::State_Sunken;
  if (Edit.isReadOnly()) opt.state |= QStyle::State_ReadOnly;
  opt.features = QStyleOptionFrame::None;
  const QRect r = Edit.style()->subElementRect(QStyle::SE_LineEditContents, &opt, &Edit);
  return r.width() - 2 * cEditInnerMargin;
}

int GvSelStart(const QLineEdit& Edit)
{
  return Edit.hasSelectedText() ? Edit.selectionStart() : Edit.cursorPosition();
}

bool GvIsLeaving(const QFocusEvent& Event)
{
  return Event.reason() != Qt::PopupFocusReason && Event.reason() != Qt::ActiveWindowFocusReason;
}

QString GvHashText()
{
  return QString(45, u'#');
}

// ---- TGvEntryEdit ----

TGvEntryEdit::TGvEntryEdit(QWidget* Parent) : QLineEdit(Parent)
{
  WriteText(QStringLiteral("0"));
  connect(this, &QLineEdit::textChanged, this, [this] { Change(); });
}

TGvEntryEdit::~TGvEntryEdit() = default;

void TGvEntryEdit::WriteText(const QString& Text)
{
  const bool setting = FSetting;
  FSetting = true;
  setText(Text);
  FSetting = setting;
}

bool TGvEntryEdit::IsEditingChar(QChar Ch)
{
  switch (Ch.unicode()) {
  case 1:  // Ctrl+A
  case 3:  // Ctrl+C
  case 8:  // Backspace
  case 22: // Ctrl+V
  case 24: // Ctrl+X
  case 26: // Ctrl+Z
    return true;
  default:
    return false;
  }
}

void TGvEntryEdit::Loaded()
{
  FLink->Modified();
  FLink->CheckLink();
}

void TGvEntryEdit::keyPressEvent(QKeyEvent* Event)
{
  const QString chars = GvKeyChars(*Event);
  if (chars.isEmpty()) {
    QLineEdit::keyPressEvent(Event);
    return;
  }
  Event->accept();
  if (chars == u"\r") {
    ValidateText();
    emit OnDblClick(this);
    GvBeep();
    return;
  }
  for (QChar c : chars)
    if (!AcceptsChar(c)) {
      GvBeep();
      return;
    }
  FLastCursorPos = GvSelStart(*this);
  QLineEdit::keyPressEvent(Event);
}

void TGvEntryEdit::focusInEvent(QFocusEvent* Event)
{
  // Window activation counts as entering only when the field was not entered
  // already (the first activation does, a return to the window does not).
  if (Event->reason() != Qt::PopupFocusReason && !FEntered) {
    FEntered = true;
    WriteText(FLastValid);
    if (FLastCursorPos > 0) setCursorPosition(FLastCursorPos);
    if (FLastSelLength > 0) setSelection(FLastCursorPos, FLastSelLength);
    if (FNeedSelectAll) {
      selectAll();
      FNeedSelectAll = false;
    }
  }
  QLineEdit::focusInEvent(Event);
}

void TGvEntryEdit::focusOutEvent(QFocusEvent* Event)
{
  if (GvIsLeaving(*Event) && FEntered) {
    FEntered = false;
    FLastCursorPos = GvSelStart(*this);
    FLastSelLength = int(selectedText().size());
    ValidateText();
    DisplayOrHash();
    setCursorPosition(0);
  }
  QLineEdit::focusOutEvent(Event);
}

void TGvEntryEdit::resizeEvent(QResizeEvent* Event)
{
  QLineEdit::resizeEvent(Event);
  // Only outside the field: a focused field keeps what the user is typing,
  // also while its window is inactive.
  if (parentWidget() && !hasFocus() && !FEntered) DisplayOrHash();
}

void TGvEntryEdit::mousePressEvent(QMouseEvent* Event)
{
  if (Event->button() == Qt::LeftButton) FClicked = true;
  QLineEdit::mousePressEvent(Event);
}

void TGvEntryEdit::mouseReleaseEvent(QMouseEvent* Event)
{
  QLineEdit::mouseReleaseEvent(Event);
  if (Event->button() == Qt::LeftButton && FClicked) {
    FClicked = false;
    if (rect().contains(Event->position().toPoint())) emit OnClick(this);
  }
}

void TGvEntryEdit::mouseDoubleClickEvent(QMouseEvent* Event)
{
  QLineEdit::mouseDoubleClickEvent(Event);
  if (Event->button() == Qt::LeftButton) emit OnDblClick(this);
}

// ---- TGvIntegerEdit ----

TGvIntegerEdit::TGvIntegerEdit(QWidget* Parent) : TGvEntryEdit(Parent)
{
  // Made here, where the meta-object already knows the type of Value.
  FLink = std::make_unique<TGvPropertyLinks>(this, QStringLiteral("Value"));
}

bool TGvIntegerEdit::InRange(int V) const
{
  return FMinValue >= FMaxValue || (V >= FMinValue && V <= FMaxValue);
}

int TGvIntegerEdit::Check(int A) const
{
  if (FMinValue >= FMaxValue) return A;
  if (A < FMinValue) return FMinValue;
  if (A > FMaxValue) return FMaxValue;
  return A;
}

void TGvIntegerEdit::SetValue(int V)
{
  try {
    V = Check(V);
    FValue = V;
    FSetting = true;
    setText(QString::number(V));
    FLastValid = text();
    DisplayOrHash();
    if (hasFocus()) FNeedSelectAll = true;
    FSetting = false;
    emit OnValueChanged(this);
    FLink->SetLink(FValue);
  } catch (...) {
    FSetting = true;
    setText(QStringLiteral("Error"));
    FSetting = false;
  }
}

void TGvIntegerEdit::SetMinValue(int V)
{
  if (V == FMinValue) return;
  FMinValue = V;
  SetValue(FValue);
}

void TGvIntegerEdit::SetMaxValue(int V)
{
  if (V == FMaxValue) return;
  FMaxValue = V;
  SetValue(FValue);
}

void TGvIntegerEdit::ValidateText()
{
  try {
    const int v = Check(StrToInt(text()));
    if (v != FValue) {
      FValue = v;
      FLastValid = QString::number(v);
      WriteText(FLastValid);
      GvBeep();
      emit OnValueChanged(this);
      // The linked properties hold the entry as typed; give them the
      // corrected value, or the idle check would copy the old one back.
      FLink->SetLink(FValue);
    }
  } catch (...) {
    // An unparsable text changes nothing.
  }
}

void TGvIntegerEdit::DisplayOrHash()
{
  if (!parentWidget()) return;
  FSetting = true;
  QString t = QString::number(FValue);
  if (!hasFocus() && fontMetrics().horizontalAdvance(t) > WinWidth()) t = GvHashText();
  setText(t);
  FSetting = false;
}

int TGvIntegerEdit::WinWidth() const
{
  return GvEditClientWidth(*this);
}

void TGvIntegerEdit::Change()
{
  if (FSetting) return;
  try {
    const int v = StrToInt(text());
    if (InRange(v)) {
      FLastValid = text();
      FValue = v;
      emit OnValueChanged(this);
      FLink->SetLink(FValue);
    }
  } catch (...) {
    // Out-of-range and unparsable texts are not taken.
  }
}

bool TGvIntegerEdit::AcceptsChar(QChar Ch) const
{
  return IsEditingChar(Ch) || Ch == u'-' || (Ch >= u'0' && Ch <= u'9');
}
