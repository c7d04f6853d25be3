#include "app/DllSearch.h"

#include "platform/win32/SystemFunction.h"

#include <string_view>

#include <windows.h>

namespace ocx {

bool RestrictDllSearchToSystemFolder() noexcept {
    // Found at run time: kernel32 offers it from Windows 8 on, and on 7 with an update.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories = FindFunction<SetDefaultDllDirectoriesFunction>(
        ::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    return setDefaultDllDirectories != nullptr &&
           setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

void WriteDllSearchUnsafe() noexcept {
    constexpr std::string_view line =
        "This Windows lacks update KB2533623 (SetDefaultDllDirectories): "
        "without it, DLLs beside the program could be loaded into it. "
        "Nothing was done.\r\n";
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (error != nullptr && error != INVALID_HANDLE_VALUE) {
        ::WriteFile(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
}

} // namespace ocx
