// Keeps a file in use, as another program would: file_holder hold|load <file>. "hold" opens it
// with no sharing; "load" loads it as a DLL, which can then be renamed but not deleted. Creates
// C:\holder-ready once the file is in use, and lets go when C:\holder-release appears.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return 2;
    }
    // The system lets go of the file as the program ends.
    const bool inUse = std::wstring(argv[1]) == L"load"
                           ? ::LoadLibraryW(argv[2]) != nullptr
                           : ::CreateFileW(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr) != INVALID_HANDLE_VALUE;
    if (!inUse) {
        return 1;
    }
    ::CloseHandle(::CreateFileW(L"C:\\holder-ready", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    while (::GetFileAttributesW(L"C:\\holder-release") == INVALID_FILE_ATTRIBUTES) {
        ::Sleep(20);
    }
    return 0;
}
