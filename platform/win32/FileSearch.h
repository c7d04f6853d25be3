#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ocx {

// The names of the files that match a path (wildcards allowed), in the order the system lists
// them. Hidden, system and folder entries are left out unless the attribute mask names them.
// With firstOnly, the search stops at the first match. The empty path matches nothing; a path
// whose folder is not there, or that cannot be searched, fails.
std::vector<std::wstring> FindMatchingFiles(const std::wstring& path, DWORD attributes,
                                            bool firstOnly);

// The folder part of a path, with its trailing separator ("" when it has none).
std::wstring FolderOf(const std::wstring& path);

} // namespace ocx
