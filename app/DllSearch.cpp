#include "app/DllSearch.h"

#include <windows.h>

namespace ocx {

void RestrictDllSearchToSystemFolder() noexcept {
    // Found at run time: kernel32 offers it from Windows 8 on, and on 7 with an update.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const FARPROC found =
        kernel == nullptr ? nullptr : ::GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (found != nullptr) {
        const auto setDefaultDllDirectories =
            reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(found));
        if (setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE) {
            return;
        }
    }
    // Older systems: at least take the program's current folder out of the search.
    ::SetDllDirectoryW(L"");
}

} // namespace ocx
