// A module for the tests of LoadLibraryA that calls back into the program
// which loaded it.
#include "platform/winapi.h"

// Sets the caller's last error through the program's own SetLastError: the
// program sees the code only when the module shares its state.
LVX_MODULE_EXPORT void ProbeSetLastError(DWORD code) { SetLastError(code); }

// Not exported: GetProcAddress must not find it.
extern "C" int ProbeHidden() { return 1; }
