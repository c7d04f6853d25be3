// The text of the Win32 platform: the conversion at the one 8-bit call, and the error line.
#include "platform/win32/Win32Platform.h"

#include "platform/win32/Utf8.h"
#include "platform/win32/Win32Error.h"

namespace ocx {

void Win32Platform::WriteErrorLine(const std::wstring& text) {
    const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::wstring line = text + L"\r\n";
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(error, &mode) != FALSE) {
        ::WriteConsoleW(error, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        return;
    }
    const std::string utf8 = Utf8(line);
    if (::WriteFile(error, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) ==
        FALSE) {
        throw LastWin32Error();
    }
}

std::wstring Win32Platform::FromAnsi(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int narrow = static_cast<int>(text.size());
    const int size =
        ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), narrow, nullptr, 0);
    if (size == 0) {
        throw LastWin32Error();
    }
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), narrow, wide.data(), size);
    return wide;
}

} // namespace ocx
