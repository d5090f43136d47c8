#include "app/OutputColumns.h"

TColumnTable DefaultColumnTable()
{
  struct Row
  {
    const char* caption;
    const char* format;
    int col, width;
  };
  static const Row rows[PropertyCount] = {
      {"Time", "hh:mm:ss", 0, 60},
      {"Mode", "", 1, 70},
      {"Method", "", 2, 100},
      {"Gas A (g)", "0.000 000", 3, 90},
      {"Gas B (g)", "0.000 000", 4, 90},
      {"H2O (g)", "0.000 000", 5, 90},
      {"Total mass (g)", "0.000 000", 6, 90},
      {"A mass frac", "0.000 000", 7, 80},
      {"B mass frac", "0.000 000", 8, 80},
      {"H2O mass frac", "0.000 000", 9, 80},
      {"Total moles", "0.000 000", 10, 90},
      {"Moles A", "0.000 000", 11, 80},
      {"Moles B", "0.000 000", 12, 80},
      {"Moles H2O", "0.000 000", 13, 80},
      {"A ppm", "0 000 000", 14, 80},
      {"B ppm", "0 000 000", 15, 80},
      {"H2O ppm", "0 000 000", 16, 80},
      {"log10(pA)", "0.00", 17, 80},
      {"log10(pB)", "0.00", 18, 80},
      {"log10(pH2O)", "0.00", 19, 80},
  };
  TColumnTable table;
  for (int i = 0; i < PropertyCount; ++i)
    table[i] = RColInfo{QString::fromLatin1(rows[i].caption), QString::fromLatin1(rows[i].format),
                        rows[i].col, rows[i].width};
  return table;
}
