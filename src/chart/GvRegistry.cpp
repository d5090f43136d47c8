// The list of chart classes that saved forms can create by class name. Each
// class is registered with the registry of its base kind.
#include "chart/GvComponent.h"

void GvRegisterChartClasses()
{
  static bool Done = false;
  if (Done) return;
  Done = true; // set first: the registrations below call Instance() again
}
