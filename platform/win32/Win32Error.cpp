#include "platform/win32/Win32Error.h"

#include <array>
#include <cwctype>

namespace ocx {

namespace {

// The system's own text for an error code, without its trailing line break.
std::wstring SystemDescription(DWORD code) {
    std::array<wchar_t, 512> text{};
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                         0, text.data(), static_cast<DWORD>(text.size()), nullptr);
    std::wstring description(text.data(), length);
    while (!description.empty() && std::iswspace(description.back()) != 0) {
        description.pop_back();
    }
    return description;
}

// The system's codes, read once for what they mean to the install logic.
ErrorKind KindOf(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        return ErrorKind::NotFound;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
        return ErrorKind::AlreadyExists;
    // Another program that has the file for a moment (a scanner, an indexer) refuses it with a
    // sharing violation, and a file that is still being deleted answers access denied: both go
    // by themselves, so both are tried again. A DLL that a program has loaded answers access
    // denied too, and does not go: the few seconds of tries are spent, and it is then renamed
    // instead.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return ErrorKind::Busy;
    default:
        return ErrorKind::Other;
    }
}

} // namespace

PlatformError Win32Error(DWORD code) {
    return {KindOf(code), code, SystemDescription(code)};
}

PlatformError LastWin32Error() {
    return Win32Error(::GetLastError());
}

} // namespace ocx
