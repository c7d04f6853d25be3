#pragma once

#include <windows.h>

namespace ocx {

// The program's runtime: creates frmMain's window hidden, raises its load event, and runs the
// message loop only if the window is still loaded afterwards. Gives the exit status.
int RunStartupForm(HINSTANCE instance);

} // namespace ocx
