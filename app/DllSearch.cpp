#include "app/DllSearch.h"

#include "platform/win32/SystemFunction.h"

#include <windows.h>

namespace ocx {

void RestrictDllSearchToSystemFolder() noexcept {
    // Found at run time: kernel32 offers it from Windows 8 on, and on 7 with an update.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = FindFunction<SetDefaultDllDirectoriesFunction>(
        ::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefaultDllDirectories != nullptr &&
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE) {
        return;
    }
    // Older systems: at least take the program's current folder out of the search.
    ::SetDllDirectoryW(L"");
}

} // namespace ocx
