// The ini reader of the saved charts over arbitrary bytes: it must read every
// input without crashing, and what it read must write and read back the same.
#include "chart/GvIO.h"

#include <QCoreApplication>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
  TGvIniFile Ini;
  Ini.FromText(QByteArray(reinterpret_cast<const char*>(Data), qsizetype(Size)));
  const QByteArray Text = Ini.ToText();
  TGvIniFile Again;
  Again.FromText(Text);
  if (Again.ToText() != Text) std::abort();
  return 0;
}
