// The Win32 tests' harness lives in harness.h; the test programs still build this unit with it.
#include "tests/win32/harness.h"
