// The file operations of the Win32 platform.
#include "platform/win32/Win32Platform.h"

#include "platform/Digits.h"
#include "platform/win32/FileSearch.h"
#include "platform/win32/Win32Error.h"

namespace ocx {

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

std::wstring Win32Platform::UniqueName(const std::wstring& prefix, const std::wstring& suffix) {
    return prefix + Digits(nextUnique_++, 16, 8) + suffix;
}

std::wstring Win32Platform::CreateUniqueFile(const std::wstring& prefix,
                                             const std::wstring& suffix) {
    // With no folder the system would pick the current one: never write there.
    if (FolderOf(prefix).empty()) {
        throw Win32Error(ERROR_PATH_NOT_FOUND);
    }
    // A name that is taken is skipped, never opened.
    for (unsigned tries = 0; tries < 0x10000; ++tries) {
        std::wstring path = UniqueName(prefix, suffix);
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
    throw Win32Error(ERROR_ALREADY_EXISTS);
}

std::uint64_t Win32Platform::FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) == FALSE) {
        throw LastWin32Error();
    }
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

void Win32Platform::RenameFile(const std::wstring& from, const std::wstring& to,
                               Existing existing) {
    const DWORD replace = existing == Existing::Replace ? MOVEFILE_REPLACE_EXISTING : 0;
    if (::MoveFileExW(from.c_str(), to.c_str(), replace) == FALSE) {
        // A name that is taken says so one way, whichever the file system chose.
        const DWORD error = ::GetLastError();
        throw Win32Error(error == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : error);
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

namespace {

// The name that the system has for an open file or folder ("\\?\C:\..."), wherever the path
// that opened it was redirected.
std::wstring FinalPath(const std::wstring& path) {
    // Folders open only with backup semantics; for files it changes nothing without the right.
    const UniqueFileHandle file(::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
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
            return real;
        }
        real.resize(length);
    }
}

} // namespace

// The queue is worked through at boot without the redirection that makes a 32-bit program's
// system32 the SysWOW64 folder: the file goes in under the name it really has.
void Win32Platform::DeleteAtRestart(const std::wstring& path) {
    if (::MoveFileExW(FinalPath(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) == FALSE) {
        throw LastWin32Error();
    }
}

std::wstring Win32Platform::RealPath(const std::wstring& path) {
    std::wstring real;
    try {
        real = FinalPath(path);
    } catch (const PlatformError&) {
        const std::wstring folder = FolderOf(path);
        real = FinalPath(folder);
        real += (real.ends_with(L'\\') ? L"" : L"\\") + path.substr(folder.size());
    }
    // For people, the plain form: "C:\..." and "\\server\share\...".
    constexpr std::wstring_view Local = L"\\\\?\\";
    constexpr std::wstring_view Network = L"\\\\?\\UNC\\";
    if (real.starts_with(Network)) {
        return L"\\\\" + real.substr(Network.size());
    }
    return real.starts_with(Local) ? real.substr(Local.size()) : real;
}

} // namespace ocx
