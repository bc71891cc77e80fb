// A module that needs a function no program has: loading it must fail at
// once, not when the function is called.
#include "platform/winapi.h"

namespace lvx::test {
void FunctionNoProgramHas();
}

LVX_MODULE_EXPORT void ProbeCallsTheMissingFunction() { lvx::test::FunctionNoProgramHas(); }
