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

std::wstring Win32Platform::NewTempFileBeside(const std::wstring& path) {
    const std::wstring folder = FolderOf(path);
    // With no folder the system would pick the current one: never write there.
    if (folder.empty()) {
        throw Win32Error(ERROR_PATH_NOT_FOUND);
    }
    std::wstring name(MAX_PATH, L'\0');
    if (::GetTempFileNameW(folder.c_str(), L"ocx", 0, name.data()) == 0) {
        throw LastWin32Error();
    }
    name.resize(std::char_traits<wchar_t>::length(name.c_str()));
    return name;
}

void Win32Platform::RenameFile(const std::wstring& from, const std::wstring& to, bool replace) {
    if (::MoveFileExW(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0) == FALSE) {
        throw LastWin32Error();
    }
}

void Win32Platform::ClearReadOnly(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        throw LastWin32Error();
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        ::SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) == FALSE) {
        throw LastWin32Error();
    }
}

void Win32Platform::DeleteAtRestart(const std::wstring& path) {
    if (::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) == FALSE) {
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

bool Win32Platform::UserCanAnswer() {
    USEROBJECTFLAGS flags{};
    // A station that cannot be asked is taken as unseen: a box there could wait forever.
    return ::GetUserObjectInformationW(::GetProcessWindowStation(), UOI_FLAGS, &flags,
                                       sizeof(flags), nullptr) != FALSE &&
           (flags.dwFlags & WSF_VISIBLE) != 0;
}

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
    // A file or a pipe gets UTF-8, which holds every character of a path.
    const int wide = static_cast<int>(line.size());
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, line.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.data(), wide, utf8.data(), size, nullptr, nullptr);
    if (::WriteFile(error, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) ==
        FALSE) {
        throw LastWin32Error();
    }
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
