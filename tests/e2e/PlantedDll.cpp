// Planted beside the installer as a system DLL, or as the ocxdep.dll that a test control imports:
// if it is ever loaded it leaves C:\planted-loaded.txt behind and refuses to stay loaded.
#include <windows.h>

// Exported: with no export list, the MinGW linker exports every function of a DLL.
extern "C" int OcxDependency() {
    return 0;
}

BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    ::CloseHandle(::CreateFileW(L"C:\\planted-loaded.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return FALSE;
}
