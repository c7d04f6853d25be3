#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ocx {

// The names of the files that match a path (wildcards allowed), in the order the system lists
// them. Hidden, system and folder entries are left out unless the attribute mask names them.
// With firstOnly, the search stops at the first match. A path that is or lies in no folder
// matches nothing; one that cannot be searched fails.
std::vector<std::wstring> FindMatchingFiles(const std::wstring& path, DWORD attributes,
                                            bool firstOnly);

// The folder part of a path, with its trailing separator ("" when it has none).
std::wstring FolderOf(const std::wstring& path);

} // namespace ocx
