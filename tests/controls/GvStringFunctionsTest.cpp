#include "controls/GvStringFunctions.h"

#include <gtest/gtest.h>
