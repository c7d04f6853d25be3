// Holds a file open with no sharing, as another program using it would: file_holder <file>
// <ready marker> <release marker>. Creates the ready marker once the file is held, and lets go
// when the release marker appears.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        return 2;
    }
    const HANDLE held = ::CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        return 1;
    }
    ::CloseHandle(::CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    while (::GetFileAttributesW(argv[3]) == INVALID_FILE_ATTRIBUTES) {
        ::Sleep(20);
    }
    ::CloseHandle(held);
    return 0;
}
