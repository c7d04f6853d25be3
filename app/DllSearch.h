#pragma once

namespace ocx {

// Loads DLLs from the system folder only, so that a DLL lying beside the installer (a
// Downloads folder, where anyone may have left one) is never loaded. Runs before anything
// can load a DLL. Gives whether it could: Windows 7 without the update that brings
// SetDefaultDllDirectories (KB2533623) cannot.
bool RestrictDllSearchToSystemFolder() noexcept;

// Says, on standard error where one is open, that the DLL search could not be restricted, and
// loads no DLL to say so.
void WriteDllSearchUnsafe() noexcept;

} // namespace ocx
