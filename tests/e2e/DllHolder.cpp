// dll_holder [--open] <file>: keeps a DLL loaded, as a program using the control would, or with
// --open keeps the file open without sharing its deletion, as a backup or a scanner may. Creates
// C:\holder-ready once it holds it, and ends, letting go, when C:\holder-release appears.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    const bool open = argc == 3 && std::wstring(argv[1]) == L"--open";
    if (argc != (open ? 3 : 2)) {
        return 1;
    }
    const wchar_t* file = argv[argc - 1];
    if (open ? ::CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                             nullptr) == INVALID_HANDLE_VALUE
             : ::LoadLibraryW(file) == nullptr) {
        return 1;
    }
    ::CloseHandle(::CreateFileW(L"C:\\holder-ready", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    while (::GetFileAttributesW(L"C:\\holder-release") == INVALID_FILE_ATTRIBUTES) {
        ::Sleep(20);
    }
    return 0;
}
