#include "controls/GvFloatEdit.h"

#include "controls/GvDateTime.h"
#include "controls/GvIntegerEdit.h"
#include "controls/GvStringFunctions.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <algorithm>
#include <climits>
#include <cmath>

namespace {

double ClampDateTime(double X)
{
  if (X < cMinDateTime) return cMinDateTime;
  if (X > cMaxDateTime) return cMaxDateTime;
  return X;
}

} // namespace

// ---- TGvCustomDoubleEdit ----

TGvCustomDoubleEdit::TGvCustomDoubleEdit(QWidget* Parent) : TGvEntryEdit(Parent)
{
  // Made here, where the meta-object already knows the type of Value.
  FLink = std::make_unique<TGvPropertyLinks>(this, QStringLiteral("Value"));
}

double TGvCustomDoubleEdit::Check(double X) const
{
  if (HasRange()) {
    if (X < FMinValue) X = FMinValue;
    if (X > FMaxValue) X = FMaxValue;
  }
  if (FAsDateTime) X = ClampDateTime(X);
  return X;
}

void TGvCustomDoubleEdit::CheckDateTimeMinMax()
{
  if (!FAsDateTime) return;
  FMinValue = ClampDateTime(FMinValue);
  FMaxValue = ClampDateTime(FMaxValue);
}

QString TGvCustomDoubleEdit::DoubleStr(double X) const
{
  if (!FFormat.isEmpty()) return FormatFloat(FFormat, X);
  if (FDigits < 0) return FloatToStr(X);
  return FloatToStrFixed(X, FDigits);
}

QString TGvCustomDoubleEdit::ValueText(double X) const
{
  if (FAsDateTime) return DateTimeToStr(X);
  if (FAsTimeSpan) return DoubleToTimeSpanStr(X);
  return DoubleStr(X);
}

double TGvCustomDoubleEdit::ParseText(const QString& Text) const
{
  double v;
  if (FAsDateTime)
    v = StrToDateTime(Text);
  else if (FAsTimeSpan)
    v = DoubleFomTimeSpanStr(Text);
  else
    v = StrToFloat(Text);
  // Infinities and NaN (an overflowing exponent, a pasted "nan") are no entry.
  if (!std::isfinite(v)) throw EConvertError(QStringLiteral("Invalid floating point value"));
  return v;
}

void TGvCustomDoubleEdit::SetValue(double X)
{
  try {
    FValue = Check(X);
    FSetting = true;
    setText(ValueText(FValue));
    FLastValid = text();
    if (!hasFocus()) {
      DisplayOrHash();
      FNeedSelectAll = true;
    }
    FSetting = false;
    emit OnValueChanged(this);
    FLink->SetLink(FValue);
  } catch (...) {
    FSetting = true;
    setText(QStringLiteral("Error"));
    FSetting = false;
  }
}

void TGvCustomDoubleEdit::SetMinValue(double X)
{
  if (X == FMinValue) return;
  FMinValue = X;
  CheckDateTimeMinMax();
  SetValue(FValue);
}

void TGvCustomDoubleEdit::SetMaxValue(double X)
{
  if (X == FMaxValue) return;
  FMaxValue = X;
  CheckDateTimeMinMax();
  SetValue(FValue);
}

void TGvCustomDoubleEdit::SetAsDateTime(bool B)
{
  if (B == FAsDateTime) return;
  FAsDateTime = B;
  if (B) FAsTimeSpan = false;
  CheckDateTimeMinMax();
  SetValue(FValue);
  if (!hasFocus()) DisplayOrHash();
}

void TGvCustomDoubleEdit::SetAsTimeSpan(bool B)
{
  if (B == FAsTimeSpan) return;
  FAsTimeSpan = B;
  if (B) FAsDateTime = false;
  SetValue(FValue);
  if (!hasFocus()) DisplayOrHash();
}

void TGvCustomDoubleEdit::SetDoHashes(bool B)
{
  if (B == FDoHashes) return;
  FDoHashes = B;
  if (!hasFocus()) DisplayOrHash();
}

void TGvCustomDoubleEdit::SetFormat(const QString& S)
{
  if (S == FFormat) return;
  FFormat = S;
  if (!hasFocus()) DisplayOrHash();
}

void TGvCustomDoubleEdit::SetDigits(int N)
{
  if (N == FDigits) return;
  FDigits = std::clamp(N, 0, 18);
  if (!hasFocus()) DisplayOrHash();
}

void TGvCustomDoubleEdit::ValidateText()
{
  try {
    const double parsed = ParseText(text());
    const double v = Check(parsed);
    if (v == FValue) return;
    // The control's own text of its value is no entry: after a step of the
    // buttons the value reads back from its text a little differently, and
    // leaving the field must not turn that into a correction. Anything else
    // (a typed text, or one the range clamps) is a correction, even when the
    // corrected value prints like the old one.
    if (parsed == v) {
      try {
        if (text() == ValueText(FValue)) return;
      } catch (...) {
        // The old value has no text (a negative time span): not the same.
      }
    }
    WriteText(ValueText(v));
    FLastValid = text();
    FValue = v;
    GvBeep();
    emit OnValueChanged(this);
    // The linked properties hold the entry as typed; give them the
    // corrected value, or the idle check would copy the old one back.
    FLink->SetLink(FValue);
  } catch (...) {
    // An unparsable text changes nothing.
  }
}

void TGvCustomDoubleEdit::DisplayOrHash()
{
  if (!parentWidget()) return;
  FSetting = true;
  QString t;
  try {
    const QFontMetrics metrics = fontMetrics();
    if (FAsDateTime || FAsTimeSpan) {
      t = FAsDateTime ? DateTimeToStr(FValue) : DoubleToTimeSpanStr(FValue);
      if (FDoHashes && metrics.horizontalAdvance(t) > WinWidth()) t = GvHashText();
    } else {
      t = DoubleStr(FValue);
      int width = metrics.horizontalAdvance(t);
      const int room = WinWidth() + 2;
      for (int n = 18; n >= 2 && room < width; --n) {
        t = RealToStrDigits(FValue, n);
        width = metrics.horizontalAdvance(t);
      }
      if (FDoHashes && room < width) t = GvHashText();
    }
  } catch (...) {
    // A value without a text (a negative time span) must not take the
    // event loop down.
    t = QStringLiteral("Error");
  }
  setText(t);
  FSetting = false;
}

int TGvCustomDoubleEdit::WinWidth() const
{
  return GvEditClientWidth(*this) - 5;
}

void TGvCustomDoubleEdit::Change()
{
  if (FSetting || text().isEmpty()) return;
  try {
    const double v = ParseText(text());
    if (!HasRange() || (FMinValue <= v && v <= FMaxValue)) {
      FLastValid = text();
      FValue = v;
      emit OnValueChanged(this);
      FLink->SetLink(FValue);
    }
  } catch (...) {
    // Out-of-range and unparsable texts are not taken.
  }
}

bool TGvCustomDoubleEdit::AcceptsChar(QChar Ch) const
{
  if (IsEditingChar(Ch) || QStringView(u"+-Ee.").contains(Ch)) return true;
  if (Ch >= u'0' && Ch <= u'9') return true;
  const TFormatSettings& fs = FormatSettings();
  if (Ch == fs.DecimalSeparator) return true;
  if (FAsDateTime || FAsTimeSpan)
    return Ch == u' ' || Ch == fs.TimeSeparator || Ch == fs.DateSeparator ||
           fs.TimeAMString.contains(Ch) || fs.TimePMString.contains(Ch);
  return false;
}

// ---- TGvDoubleEdit ----

TGvDoubleEdit::TGvDoubleEdit(QWidget* Parent) : TGvCustomDoubleEdit(Parent) {}

// ---- TGvUpDown ----

TGvUpDown::TGvUpDown(QWidget* Parent)
    : QWidget(Parent), FUp(new QToolButton(this)), FDown(new QToolButton(this))
{
  setCursor(Qt::ArrowCursor);
  const auto setUp = [](QToolButton* button, Qt::ArrowType arrow) {
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
  };
  setUp(FUp, Qt::UpArrow);
  setUp(FDown, Qt::DownArrow);
  connect(FUp, &QToolButton::clicked, this, [this] { emit Click(TGvUDBtnType::btNext); });
  connect(FDown, &QToolButton::clicked, this, [this] { emit Click(TGvUDBtnType::btPrev); });
}

void TGvUpDown::resizeEvent(QResizeEvent* Event)
{
  QWidget::resizeEvent(Event);
  const int upper = height() / 2;
  FUp->setGeometry(0, 0, width(), upper);
  FDown->setGeometry(0, upper, width(), height() - upper);
}

// ---- TGvNumericUpDn ----

TGvNumericUpDn::TGvNumericUpDn(QWidget* Parent)
    : TGvCustomDoubleEdit(Parent), FUpDn(new TGvUpDown(this))
{
  FDoHashes = false;
  FIncrement = 1.0;
  FDigits = 0;
  FBtnWidth = 15;
  connect(FUpDn, &TGvUpDown::Click, this, &TGvNumericUpDn::UpDnClick);
  PlaceButtons();
}

void TGvNumericUpDn::SetEditRect()
{
  setTextMargins(0, 0, FBtnWidth + 2, 0);
}

void TGvNumericUpDn::SetBtnWidth(int N)
{
  FBtnWidth = N;
  PlaceButtons();
  DisplayOrHash();
}

int TGvNumericUpDn::AsInteger() const
{
  const double v = std::clamp(FValue, double(INT_MIN), double(INT_MAX));
  return int(RoundHalfEven(v));
}

void TGvNumericUpDn::SetAsInteger(int V)
{
  SetValue(V);
}

void TGvNumericUpDn::SetEnabled(bool B)
{
  FUpDn->setEnabled(B);
  setEnabled(B);
}

void TGvNumericUpDn::UpDnClick(TGvUDBtnType Button)
{
  if (Button == TGvUDBtnType::btNext)
    SetValue(FValue + FIncrement);
  else
    SetValue(FValue - FIncrement);
}

int TGvNumericUpDn::WinWidth() const
{
  return GvEditClientWidth(*this) - FBtnWidth - 5;
}

void TGvNumericUpDn::keyPressEvent(QKeyEvent* Event)
{
  const int key = Event->key();
  if (key == Qt::Key_Up)
    SetValue(FValue + FIncrement);
  else if (key == Qt::Key_Down)
    SetValue(FValue - FIncrement);
  TGvCustomDoubleEdit::keyPressEvent(Event);
  if (key == Qt::Key_Up || key == Qt::Key_Down) Event->accept();
}

void TGvNumericUpDn::resizeEvent(QResizeEvent* Event)
{
  TGvCustomDoubleEdit::resizeEvent(Event);
  PlaceButtons();
}

void TGvNumericUpDn::PlaceButtons()
{
  // The button pair sits inside the frame at the right edge.
  QStyleOptionFrame opt;
  initStyleOption(&opt);
  const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, this) : 0;
  FUpDn->setGeometry(width() - frame - FBtnWidth, frame, FBtnWidth, height() - 2 * frame);
  SetEditRect();
}
