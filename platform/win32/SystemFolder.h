#pragma once

#include "platform/win32/UniqueHandle.h"

#include <string>

namespace ocx {

// The system folder as this program sees it (a 32-bit program's system32 is redirected on
// 64-bit Windows), without a trailing backslash; empty where the system cannot tell.
std::wstring SystemFolderPath();

// Loads the system folder's DLL of the name by its full path: as a static import it would be
// looked for beside the program (a Downloads folder) before the program could prevent it. Empty
// where it cannot be loaded.
UniqueModule LoadSystemLibrary(const wchar_t* name);

} // namespace ocx
