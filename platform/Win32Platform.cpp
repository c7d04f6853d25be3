#include "platform/Win32Platform.h"

#include "platform/FileSearch.h"
#include "platform/Win32Error.h"
#include "platform/Win32Process.h"

#include <shellapi.h>

namespace ocx {

std::wstring Win32Platform::ApplicationFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            throw LastWin32Error();
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::wstring folder = FolderOf(path);
    // A drive's root keeps its backslash ("C:\"); any other folder loses it.
    if (folder.size() > 1 && folder.back() == L'\\' && folder[folder.size() - 2] != L':') {
        folder.pop_back();
    }
    return folder;
}

unsigned Win32Platform::GetSystemDirectoryA(std::span<char> buffer) {
    return ::GetSystemDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
}

std::wstring Win32Platform::MatchFile(const std::wstring& path, unsigned attributes) {
    const auto names = FindMatchingFiles(path, attributes, true);
    return names.empty() ? std::wstring() : names.front();
}

void Win32Platform::DeleteFiles(const std::wstring& path) {
    const auto names = FindMatchingFiles(path, 0, false);
    if (names.empty()) {
        throw Win32Error(ERROR_FILE_NOT_FOUND);
    }
    // Every file that can go goes; the first that cannot is the failure.
    const std::wstring folder = FolderOf(path);
    DWORD firstError = ERROR_SUCCESS;
    for (const auto& name : names) {
        if (::DeleteFileW((folder + name).c_str()) == FALSE && firstError == ERROR_SUCCESS) {
            firstError = ::GetLastError();
        }
    }
    if (firstError != ERROR_SUCCESS) {
        throw Win32Error(firstError);
    }
}

void Win32Platform::CopyFileTo(const std::wstring& source, const std::wstring& target) {
    if (::CopyFileW(source.c_str(), target.c_str(), FALSE) == FALSE) {
        throw LastWin32Error();
    }
}

ShellLaunch Win32Platform::ShellExecuteA(NativeWindow owner, const std::string& operation,
                                         const std::string& file, const std::string& parameters,
                                         const std::string& directory, int showCommand) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof(info);
    // The process handle is kept so the caller can wait; a refusal is the caller's to judge,
    // so the shell shows no error box of its own.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = static_cast<HWND>(owner);
    info.lpVerb = operation.c_str();
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = directory.c_str();
    info.nShow = showCommand;

    const BOOL started = ::ShellExecuteExA(&info);
    UniqueKernelHandle process(info.hProcess);
    ShellLaunch launch;
    launch.Result = reinterpret_cast<std::intptr_t>(info.hInstApp);
    if (started == FALSE && launch.Result > ShellLaunchRefusedLimit) {
        launch.Result = SE_ERR_NOASSOC;
    }
    if (started != FALSE && process) {
        launch.Process = std::make_unique<Win32Process>(std::move(process));
    }
    return launch;
}

int Win32Platform::ShowMessage(const std::wstring& prompt, unsigned style,
                               const std::wstring& title) {
    return ::MessageBoxW(window_.get(), prompt.c_str(), title.c_str(), style);
}

NativeWindow Win32Platform::WindowHandle() {
    if (!window_) {
        throw Win32Error(ERROR_INVALID_WINDOW_HANDLE);
    }
    return window_.get();
}

void Win32Platform::UnloadWindow() {
    if (!window_) {
        throw Win32Error(ERROR_INVALID_WINDOW_HANDLE);
    }
    if (::DestroyWindow(window_.get()) == FALSE) {
        throw LastWin32Error();
    }
    window_.release();
}

std::string Win32Platform::ToAnsi(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int wide = static_cast<int>(text.size());
    // UTF-8 holds every character; any other code page is asked to say when it substitutes,
    // since a '?' or a look-alike character would make another path.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL substituted = FALSE;
    BOOL* const report = utf8 ? nullptr : &substituted;
    const int size =
        ::WideCharToMultiByte(CP_ACP, flags, text.data(), wide, nullptr, 0, nullptr, report);
    if (size == 0) {
        throw LastWin32Error();
    }
    if (substituted != FALSE) {
        throw Win32Error(ERROR_NO_UNICODE_TRANSLATION);
    }
    std::string narrow(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, flags, text.data(), wide, narrow.data(), size, nullptr, nullptr);
    return narrow;
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
