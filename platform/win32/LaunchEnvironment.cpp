#include "platform/win32/LaunchEnvironment.h"

#include "platform/win32/SystemFolder.h"
#include "platform/win32/SystemFunction.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Error.h"

#include <windows.h>

#include <cwchar>
#include <string_view>

namespace ocx {

namespace {

constexpr const wchar_t* MachineEnvironment =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr std::wstring_view PathName = L"PATH";

void FreeEnvironment(wchar_t* strings) {
    ::FreeEnvironmentStringsW(strings);
}
using UniqueEnvironment = UniqueHandle<wchar_t*, FreeEnvironment>;

std::wstring MachineSetting() {
    DWORD size = 0;
    const DWORD types = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    LSTATUS error = ::RegGetValueW(HKEY_LOCAL_MACHINE, MachineEnvironment, L"Path", types, nullptr,
                                   nullptr, &size);
    std::wstring path(size / sizeof(wchar_t), L'\0');
    if (error == ERROR_SUCCESS) {
        error = ::RegGetValueW(HKEY_LOCAL_MACHINE, MachineEnvironment, L"Path", types, nullptr,
                               path.data(), &size);
    }
    if (error != ERROR_SUCCESS) {
        throw Win32Error(static_cast<DWORD>(error));
    }
    path.resize(std::wcslen(path.c_str()));
    return path;
}

// Expanded from the system's own variables (no token: the system's alone), never the run's,
// which hold the user's own too.
std::wstring Expanded(const std::wstring& setting) {
    using ExpandFunction = BOOL(WINAPI*)(HANDLE, LPCWSTR, LPWSTR, DWORD);
    const UniqueModule userenv = LoadSystemLibrary(L"userenv.dll");
    const auto expand =
        FindFunction<ExpandFunction>(userenv.get(), "ExpandEnvironmentStringsForUserW");
    if (expand == nullptr) {
        throw Win32Error(ERROR_PROC_NOT_FOUND);
    }
    std::wstring expanded(MAX_PATH, L'\0');
    while (expand(nullptr, setting.c_str(), expanded.data(), static_cast<DWORD>(expanded.size())) ==
           FALSE) {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || expanded.size() > 0x8000) {
            throw LastWin32Error();
        }
        expanded.resize(expanded.size() * 2);
    }
    expanded.resize(std::wcslen(expanded.c_str()));
    return expanded;
}

// Whether the entry ("NAME=value") sets PATH. Entries of the drives' current folders begin with
// '=', which is no part of a name.
bool SetsPath(std::wstring_view entry) {
    const std::size_t equals = entry.find(L'=', 1);
    return equals == PathName.size() &&
           ::CompareStringOrdinal(entry.data(), static_cast<int>(equals), PathName.data(),
                                  static_cast<int>(PathName.size()), TRUE) == CSTR_EQUAL;
}

} // namespace

std::wstring MachinePathEnvironment() {
    const std::wstring path = std::wstring(PathName) + L"=" + Expanded(MachineSetting());
    const UniqueEnvironment strings(::GetEnvironmentStringsW());
    if (!strings) {
        throw LastWin32Error();
    }
    std::wstring block;
    bool placed = false;
    // The system's block: strings that each end with a zero, and a zero after the last.
    const wchar_t* entry = strings.get();
    while (*entry != L'\0') {
        const std::wstring_view text(entry);
        if (!SetsPath(text)) {
            block.append(text).push_back(L'\0');
        } else if (!placed) {
            // In the place of the run's own, which keeps the block in its order.
            block.append(path).push_back(L'\0');
            placed = true;
        }
        entry += text.size() + 1; // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
    }
    if (!placed) {
        block.append(path).push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

} // namespace ocx
