#include "platform/win32/MachinePath.h"

#include "platform/win32/SystemFolder.h"
#include "platform/win32/SystemFunction.h"
#include "platform/win32/Win32Error.h"

#include <windows.h>

#include <cwchar>

namespace ocx {

namespace {

constexpr const wchar_t* MachineEnvironment =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
// The longest an environment variable can be, with its terminating zero.
constexpr DWORD LongestValue = 32767;

std::wstring MachineSetting() {
    std::wstring path(LongestValue, L'\0');
    DWORD size = LongestValue * sizeof(wchar_t);
    const LSTATUS error = ::RegGetValueW(HKEY_LOCAL_MACHINE, MachineEnvironment, L"Path",
                                         RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                                         nullptr, path.data(), &size);
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
    std::wstring expanded(LongestValue, L'\0');
    if (expand(nullptr, setting.c_str(), expanded.data(), LongestValue) == FALSE) {
        throw LastWin32Error();
    }
    expanded.resize(std::wcslen(expanded.c_str()));
    return expanded;
}

} // namespace

void UseMachinePath() {
    if (::SetEnvironmentVariableW(L"PATH", Expanded(MachineSetting()).c_str()) == FALSE) {
        throw LastWin32Error();
    }
}

} // namespace ocx
