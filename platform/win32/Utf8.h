#pragma once

#include <windows.h>

#include <string>

namespace ocx {

// The text in UTF-8, which holds every character of a path, for files and pipes.
inline std::string Utf8(const std::wstring& text) {
    const int wide = static_cast<int>(text.size());
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, utf8.data(), size, nullptr, nullptr);
    return utf8;
}

} // namespace ocx
