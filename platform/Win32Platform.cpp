#include "platform/Win32Platform.h"

#include "platform/FileSearch.h"
#include "platform/MessageWait.h"
#include "platform/Win32Error.h"
#include "platform/Win32Lock.h"
#include "platform/Win32Process.h"
#include "platform/Win32Session.h"

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

std::vector<std::wstring> Win32Platform::MatchFiles(const std::wstring& path) {
    return FindMatchingFiles(path, 0, false);
}

std::wstring Win32Platform::CreateUniqueFile(const std::wstring& prefix,
                                             const std::wstring& suffix) {
    // With no folder the system would pick the current one: never write there.
    if (FolderOf(prefix).empty()) {
        throw Win32Error(ERROR_PATH_NOT_FOUND);
    }
    // Numbers tried in turn from one of this process's own; a name that is taken is skipped,
    // never opened.
    DWORD unique = ::GetTickCount() ^ (::GetCurrentProcessId() << 16);
    for (unsigned tries = 0; tries < 0x10000; ++tries, ++unique) {
        std::wstring digits(8, L'0');
        for (std::size_t at = digits.size(), rest = unique; at-- > 0; rest >>= 4) {
            digits[at] = L"0123456789ABCDEF"[rest & 0xF];
        }
        const std::wstring path = prefix + digits + suffix;
        const UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) {
            return path;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            throw Win32Error(error);
        }
    }
    throw Win32Error(ERROR_FILE_EXISTS);
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

// The queue is worked through at boot without the redirection that makes a 32-bit program's
// system32 the SysWOW64 folder: the file goes in under the name it really has.
void Win32Platform::DeleteAtRestart(const std::wstring& path) {
    const UniqueFileHandle file(::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        throw LastWin32Error();
    }
    std::wstring real(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            file.get(), real.data(), static_cast<DWORD>(real.size()), VOLUME_NAME_DOS);
        if (length == 0) {
            throw LastWin32Error();
        }
        if (length < real.size()) {
            real.resize(length);
            break;
        }
        real.resize(length);
    }
    if (::MoveFileExW(real.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) == FALSE) {
        throw LastWin32Error();
    }
}

void Win32Platform::Pause(std::chrono::milliseconds time) {
    WaitDispatching(nullptr, static_cast<DWORD>(time.count()));
}

std::unique_ptr<HeldLock> Win32Platform::LockMachineWide(const std::wstring& name) {
    return TakeMachineWideLock(name);
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

SessionFacts Win32Platform::Session() {
    return CurrentSession();
}

// The tool inherits the mode, so a control whose dependency is missing, or that crashes, ends
// its run instead of waiting in a box that no one sees.
void Win32Platform::SilenceSystemErrors() {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
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
