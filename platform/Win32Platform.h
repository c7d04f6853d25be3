#pragma once

#include "platform/Platform.h"
#include "platform/UniqueHandle.h"

namespace ocx {

// The platform operations on Win32, acting on the window that the caller owns.
class Win32Platform final : public Platform {
public:
    explicit Win32Platform(UniqueWindow& window) : window_(window) {}

    std::wstring ApplicationFolder() override;
    unsigned GetSystemDirectoryA(std::span<char> buffer) override;
    std::wstring MatchFile(const std::wstring& path, unsigned attributes) override;
    void DeleteFiles(const std::wstring& path) override;
    void CopyFileTo(const std::wstring& source, const std::wstring& target) override;
    ShellLaunch ShellExecuteA(NativeWindow owner, const std::string& operation,
                              const std::string& file, const std::string& parameters,
                              const std::string& directory, int showCommand) override;
    int ShowMessage(const std::wstring& prompt, unsigned style, const std::wstring& title) override;
    NativeWindow WindowHandle() override;
    void UnloadWindow() override;
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& text) override;

private:
    UniqueWindow& window_;
};

} // namespace ocx
