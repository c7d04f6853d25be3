#pragma once

#include "platform/win32/UniqueHandle.h"

#include <windows.h>

namespace ocx {

// frmMain's window: of its class, sized for its client area, never shown. Empty where the
// desktop refuses a window.
UniqueWindow CreateFormWindow(HINSTANCE instance);

} // namespace ocx
