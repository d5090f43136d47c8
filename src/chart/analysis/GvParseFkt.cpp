#include "chart/analysis/GvParseFkt.h"

QString ParseVariables(const QString& Text, const QObject* Owner)
{
  (void)Owner;
  return Text;
}
