#pragma once

#include <windows.h>

#include <string>

namespace ocx::test {

// A fresh folder under the system's temporary folder, removed with all it holds.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& name);
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    [[nodiscard]] const std::wstring& Path() const { return path_; }
    [[nodiscard]] std::wstring operator/(const std::wstring& name) const {
        return path_ + L"\\" + name;
    }

private:
    std::wstring path_;
};

void WriteFile(const std::wstring& path, const std::string& content, DWORD attributes = 0);
std::string ReadFile(const std::wstring& path);
bool Exists(const std::wstring& path);
// Removes a file or a folder tree, read-only entries included; missing ones are fine.
void RemoveTree(const std::wstring& path);
// The folder of the running test program.
std::wstring ProgramFolder();
std::wstring SystemFolderW();

} // namespace ocx::test
