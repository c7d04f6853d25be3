// A DLL planted beside the installer under the name of a system DLL, or as ocxdep.dll, which a
// test control imports and no system has. If it is ever loaded it leaves planted-loaded.txt
// beside itself, naming itself, and refuses to stay loaded.
#include <windows.h>

// Exported: with no export list, the MinGW linker exports every function of a DLL.
extern "C" int OcxDependency() {
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD length = ::GetModuleFileNameW(instance, path, MAX_PATH * 2);
    wchar_t marker[MAX_PATH * 2 + 32] = {};
    ::lstrcpynW(marker, path, static_cast<int>(length + 1));
    int slash = static_cast<int>(length);
    while (slash > 0 && marker[slash - 1] != L'\\') {
        --slash;
    }
    ::lstrcpyW(marker + slash, L"planted-loaded.txt");
    const HANDLE file = ::CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(file, path, length * sizeof(wchar_t), &written, nullptr);
        ::CloseHandle(file);
    }
    return FALSE;
}
