#pragma once

#include <string>

namespace ocx {

// The system folder as this program sees it (a 32-bit program's system32 is redirected on
// 64-bit Windows), without a trailing backslash; empty where the system cannot tell.
std::wstring SystemFolderPath();

} // namespace ocx
