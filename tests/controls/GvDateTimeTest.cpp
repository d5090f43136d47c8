#include "controls/GvDateTime.h"

#include <gtest/gtest.h>
