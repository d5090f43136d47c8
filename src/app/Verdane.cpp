// Program entry: the application and its one main window.
#include "app/UnitMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
  QApplication app(argc, argv);
  TForm1 form;
  form.showMaximized();
  return app.exec();
}
