// dll_holder <file>: keeps a DLL loaded, as a program using the control would. Creates
// C:\holder-ready once it is loaded, and ends, letting go, when C:\holder-release appears.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2 || ::LoadLibraryW(argv[1]) == nullptr) {
        return 1;
    }
    ::CloseHandle(::CreateFileW(L"C:\\holder-ready", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    while (::GetFileAttributesW(L"C:\\holder-release") == INVALID_FILE_ATTRIBUTES) {
        ::Sleep(20);
    }
    return 0;
}
