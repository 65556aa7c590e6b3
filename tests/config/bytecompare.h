#pragma once
// Kept for the tests outside tests/config that include it by this path.
#include "tests/common/bytecompare.h"
