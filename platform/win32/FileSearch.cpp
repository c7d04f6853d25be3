#include "platform/win32/FileSearch.h"

#include "platform/Platform.h"

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Error.h"

namespace ocx {

namespace {

static_assert(FileAttributes::Hidden == FILE_ATTRIBUTE_HIDDEN &&
              FileAttributes::System == FILE_ATTRIBUTE_SYSTEM);

constexpr DWORD SpecialEntries =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;

bool IsWanted(const WIN32_FIND_DATAW& entry, DWORD attributes) {
    return (entry.dwFileAttributes & SpecialEntries & ~attributes) == 0;
}

// No match in a folder that is there. A folder that is not (a drive letter that this logon
// does not have, a share gone away) is a failure to search.
bool IsNotFound(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
}

} // namespace

std::vector<std::wstring> FindMatchingFiles(const std::wstring& path, DWORD attributes,
                                            bool firstOnly) {
    std::vector<std::wstring> names;
    if (path.empty()) {
        return names;
    }
    WIN32_FIND_DATAW entry{};
    const UniqueFindHandle search(::FindFirstFileExW(path.c_str(), FindExInfoStandard, &entry,
                                                     FindExSearchNameMatch, nullptr, 0));
    if (!search) {
        const DWORD error = ::GetLastError();
        if (IsNotFound(error)) {
            return names;
        }
        throw Win32Error(error);
    }
    do {
        if (IsWanted(entry, attributes)) {
            names.emplace_back(entry.cFileName);
            if (firstOnly) {
                return names;
            }
        }
    } while (::FindNextFileW(search.get(), &entry) != FALSE);

    if (const DWORD error = ::GetLastError(); error != ERROR_NO_MORE_FILES) {
        throw Win32Error(error);
    }
    return names;
}

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

} // namespace ocx
