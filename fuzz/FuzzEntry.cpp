// The entry controls' text validation over arbitrary text: typed key by key
// (what the key filter lets through), pasted whole, then taken on leaving the
// field, in each of the controls' modes. Nothing may crash or raise, and the
// value taken must be a number within the control's range.
#include "controls/GvDateTime.h"
#include "controls/GvFloatEdit.h"
#include "controls/GvIntegerEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <cmath>
#include <cstdlib>

namespace {

void Check(bool Condition)
{
  if (!Condition) std::abort();
}

void Type(QWidget& Edit, const QString& Text)
{
  int typed = 0;
  for (QChar c : Text) {
    if (++typed > 16) break;
    const int key = c == u'\b' ? int(Qt::Key_Backspace) : c == u'\r' ? int(Qt::Key_Return) : 0;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(&Edit, &press);
  }
}

// The controls of the run, made once (making widgets costs far more than the
// validation); each input starts them from the same settings and value.
struct TControls
{
  QWidget Parent;
  TGvIntegerEdit* Integer = new TGvIntegerEdit(&Parent);
  TGvDoubleEdit* Plain = new TGvDoubleEdit(&Parent);
  TGvDoubleEdit* Formatted = new TGvDoubleEdit(&Parent);
  TGvDoubleEdit* DateTime = new TGvDoubleEdit(&Parent);
  TGvDoubleEdit* TimeSpan = new TGvDoubleEdit(&Parent);
  TGvNumericUpDn* UpDown = new TGvNumericUpDn(&Parent);
  TControls()
  {
    Formatted->SetFormat(QStringLiteral("0.000 000"));
    DateTime->SetAsDateTime(true);
    TimeSpan->SetAsTimeSpan(true);
    UpDown->SetIncrement(0.001);
    UpDown->SetDigits(6);
  }
};

TControls& Controls()
{
  static TControls* controls = new TControls;
  return *controls;
}

// The settings byte: bit 0 a range, bits 1-3 the control and its mode.
void Integer(uint8_t Settings, const QString& Text)
{
  TGvIntegerEdit& edit = *Controls().Integer;
  const bool range = Settings & 1;
  edit.SetMinValue(range ? -50 : 0);
  edit.SetMaxValue(range ? 1000000 : 0);
  edit.clear();
  edit.SetValue(7);
  const auto inRange = [&] { return !range || (edit.Value() >= -50 && edit.Value() <= 1000000); };
  Type(edit, Text);
  Check(inRange());
  edit.setText(Text);
  Check(inRange());
  edit.ValidateText();
  Check(inRange());
  edit.DisplayOrHash();
}

void Double(uint8_t Settings, const QString& Text)
{
  TControls& c = Controls();
  const int mode = (Settings >> 1) & 7;
  TGvCustomDoubleEdit& edit = mode == 1   ? *c.Plain
                              : mode == 2 ? *c.Formatted
                              : mode == 3 ? *c.DateTime
                              : mode == 4 ? *c.TimeSpan
                                          : *static_cast<TGvCustomDoubleEdit*>(c.UpDown);
  const bool range = Settings & 1;
  edit.SetMinValue(range ? (mode == 3 ? 40000 : 0) : 0);
  edit.SetMaxValue(range ? (mode == 3 ? 50000 : 2) : 0);
  edit.clear();
  edit.SetValue(mode == 3 ? 46000.5 : 0.4);
  const auto sound = [&] {
    const double v = edit.Value();
    if (!std::isfinite(v)) return false;
    if (range && (v < edit.MinValue() || v > edit.MaxValue())) return false;
    if (mode == 3 && (v < cMinDateTime || v > cMaxDateTime)) return false;
    return true;
  };
  Type(edit, Text);
  Check(sound());
  edit.setText(Text);
  Check(sound());
  edit.ValidateText();
  Check(sound());
  edit.DisplayOrHash();
  if (mode == 5) {
    c.UpDown->UpDnClick(TGvUDBtnType::btNext);
    Check(sound());
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // One application for the whole run, as every widget needs one.
  static QApplication* app = new QApplication(*argc, *argv);
  (void)app;
  SetGvBeepHook([] {}); // no sound for the corrections
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
  if (Size < 1 || Size > 256) return 0;
  const uint8_t settings = Data[0];
  const QString text =
      QString::fromUtf8(reinterpret_cast<const char*>(Data + 1), qsizetype(Size - 1));
  if (((settings >> 1) & 7) == 0 || ((settings >> 1) & 7) >= 6)
    Integer(settings, text);
  else
    Double(settings, text);
  return 0;
}
