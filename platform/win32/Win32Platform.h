#pragma once

#include "platform/Platform.h"
#include "platform/win32/UniqueHandle.h"

namespace ocx {

// The platform operations on Win32, defined a concern to a file: Win32Files.cpp,
// Win32Launch.cpp (with Win32Process.cpp), Win32Text.cpp and Win32Platform.cpp for the rest. It
// owns the installer's window, which may be missing (a desktop that refuses windows): every
// operation but WindowHandle and UnloadWindow works without it.
class Win32Platform final : public Platform {
public:
    explicit Win32Platform(UniqueWindow window) : window_(std::move(window)) {}

    std::wstring ApplicationFolder() override;
    unsigned GetSystemDirectoryA(std::span<char> buffer) override;
    std::wstring MatchFile(const std::wstring& path, unsigned attributes) override;
    void DeleteFiles(const std::wstring& path) override;
    void CopyFileTo(const std::wstring& source, const std::wstring& target) override;
    std::vector<std::wstring> MatchFiles(const std::wstring& path) override;
    std::wstring CreateUniqueFile(const std::wstring& prefix, const std::wstring& suffix) override;
    std::wstring UniqueName(const std::wstring& prefix, const std::wstring& suffix) override;
    std::uint64_t FileSize(const std::wstring& path) override;
    void RenameFile(const std::wstring& from, const std::wstring& to, Existing existing) override;
    void ClearReadOnly(const std::wstring& path) override;
    void DeleteAtRestart(const std::wstring& path) override;
    std::wstring RealPath(const std::wstring& path) override;
    void Pause(std::chrono::milliseconds time) override;
    std::unique_ptr<HeldLock> LockMachineWide(const std::wstring& path,
                                              std::optional<std::chrono::seconds> limit) override;
    std::unique_ptr<LaunchedProcess> Launch(const LaunchOptions& options) override;
    SessionFacts Session() override;
    void SilenceSystemErrors() override;
    void WriteErrorLine(const std::wstring& text) override;
    int ShowMessage(const std::wstring& prompt, unsigned style, const std::wstring& title) override;
    NativeWindow WindowHandle() override;
    void UnloadWindow() override;
    std::wstring FromAnsi(const std::string& text) override;

private:
    UniqueWindow window_;
    // The next temporary name's number: numbers in turn from one of this process's own, so that
    // runs seldom meet on a name.
    DWORD nextUnique_ = ::GetTickCount() ^ (::GetCurrentProcessId() << 16);
};

} // namespace ocx
