#pragma once

#include "platform/PlatformError.h"

#include <windows.h>

namespace ocx {

// The system's own text for an error code, without its trailing line break.
std::wstring SystemDescription(DWORD code);

// A PlatformError for the code, carrying the system's text.
PlatformError Win32Error(DWORD code);

// A PlatformError for the calling thread's last error.
PlatformError LastWin32Error();

} // namespace ocx
