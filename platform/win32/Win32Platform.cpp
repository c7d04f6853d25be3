// The platform operations on Win32: the program's folders, its window and message box, the
// session, the lock and pauses. Files, the tool's launch and text are in files of their own.
#include "platform/win32/Win32Platform.h"

#include "platform/win32/FileSearch.h"
#include "platform/win32/MessageWait.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Lock.h"
#include "platform/win32/Win32Session.h"

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

void Win32Platform::Pause(std::chrono::milliseconds time) {
    WaitDispatching(nullptr, static_cast<DWORD>(time.count()));
}

std::unique_ptr<HeldLock>
Win32Platform::LockMachineWide(const std::wstring& path,
                               std::optional<std::chrono::seconds> limit) {
    return TakeMachineWideLock(path, limit);
}

SessionFacts Win32Platform::Session() {
    return CurrentSession();
}

// The tool inherits the mode, so a control whose dependency is missing, or that crashes, ends
// its run instead of waiting in a box that no one sees.
void Win32Platform::SilenceSystemErrors() {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
}

static_assert(MessageStyle::Error == MB_ICONERROR &&
              MessageStyle::Information == MB_ICONINFORMATION &&
              MessageStyle::SetForeground == MB_SETFOREGROUND &&
              MessageStyle::Topmost == MB_TOPMOST);

int Win32Platform::ShowMessage(const std::wstring& prompt, unsigned style,
                               const std::wstring& title) {
    // A quit request that another program posted to the window or thread, during the run or
    // before, would close the box unread: no loop of this program ends on one.
    MSG quit{};
    while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE) {
    }
    // The hidden window never shows: a box it owned would have no taskbar button, and no way
    // to be found behind other windows.
    return ::MessageBoxW(nullptr, prompt.c_str(), title.c_str(), style);
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

} // namespace ocx
