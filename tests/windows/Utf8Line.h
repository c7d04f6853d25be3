#pragma once

// The helper programs record lines of UTF-8, as the installer writes its line to a file.
#include "platform/win32/Utf8.h"

#include <windows.h>

#include <string>

namespace ocx::test {

// Appends the text as one line to the file, which other processes may be writing too.
inline void AppendLine(const std::wstring& path, const std::wstring& text) {
    const std::string line = Utf8(text) + "\r\n";
    const HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        ::CloseHandle(file);
    }
}

} // namespace ocx::test
