#pragma once

#include "platform/PlatformError.h"

#include <windows.h>

namespace ocx {

// A PlatformError for the code, carrying the system's text.
PlatformError Win32Error(DWORD code);

// A PlatformError for the calling thread's last error.
PlatformError LastWin32Error();

} // namespace ocx
