#pragma once

namespace ocx {

// Loads DLLs from the system folder only, so that a DLL lying beside the installer (a
// Downloads folder, where anyone may have left one) is never loaded. Runs before anything
// can load a DLL.
void RestrictDllSearchToSystemFolder() noexcept;

} // namespace ocx
