#include "platform/win32/Win32Error.h"

#include <array>
#include <cwctype>

namespace ocx {

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

PlatformError Win32Error(DWORD code) {
    return {code, SystemDescription(code)};
}

PlatformError LastWin32Error() {
    return Win32Error(::GetLastError());
}

} // namespace ocx
