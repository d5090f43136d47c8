// Shared by the tests of the text helpers.
#pragma once

#include "controls/GvStringFunctions.h"

#include <QString>

// The message of the conversion error f raises, or "<no error>".
template <class F> QString ErrorOf(F f)
{
  try {
    f();
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return QStringLiteral("<no error>");
}
