#include "platform/win32/SystemFolder.h"

#include <windows.h>

namespace ocx {

std::wstring SystemFolderPath() {
    std::wstring folder(MAX_PATH, L'\0');
    const UINT length = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    folder.resize(length < folder.size() ? length : 0);
    return folder;
}

UniqueModule LoadSystemLibrary(const wchar_t* name) {
    const std::wstring folder = SystemFolderPath();
    return folder.empty() ? UniqueModule()
                          : UniqueModule(::LoadLibraryW((folder + L"\\" + name).c_str()));
}

} // namespace ocx
