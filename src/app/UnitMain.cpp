#include "app/UnitMain.h"

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Mix"));
  resize(1069, 771);
}
