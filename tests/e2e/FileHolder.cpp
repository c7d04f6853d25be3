// Keeps a file in use, as another program would: file_holder hold|load <file> <ready marker>
// <release marker>. "hold" opens it with no sharing; "load" loads it as a DLL, which can then
// be renamed but not deleted. Creates the ready marker once the file is in use, and lets go
// when the release marker appears.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        return 2;
    }
    const bool load = std::wstring(argv[1]) == L"load";
    const HMODULE module = load ? ::LoadLibraryW(argv[2]) : nullptr;
    const HANDLE held = load ? nullptr
                             : ::CreateFileW(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (load ? module == nullptr : held == INVALID_HANDLE_VALUE) {
        return 1;
    }
    ::CloseHandle(::CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    while (::GetFileAttributesW(argv[4]) == INVALID_FILE_ATTRIBUTES) {
        ::Sleep(20);
    }
    if (load) {
        ::FreeLibrary(module);
    } else {
        ::CloseHandle(held);
    }
    return 0;
}
