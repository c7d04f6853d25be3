#include "platform/Win32Process.h"

#include "platform/MessageWait.h"
#include "platform/Win32Error.h"

namespace ocx {

namespace {

// How often a limited wait looks for the process's windows.
constexpr DWORD WindowCheckMilliseconds = 100;
// How long an ended process is given to go, so that the files it had loaded are free.
constexpr DWORD EndingMilliseconds = 5000;
constexpr UINT EndedStatus = 1;

struct WindowSearch {
    DWORD processId;
    bool found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    search.found = owner == search.processId && ::IsWindowVisible(window) != FALSE;
    return search.found ? FALSE : TRUE;
}

// Whether the process shows a visible top-level window on this desktop, which is the one it was
// started on.
bool ShowsWindow(DWORD processId) {
    WindowSearch search{processId, false};
    ::EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

ProcessEnd Win32Process::WaitForExit(std::optional<std::chrono::seconds> limit) {
    const HANDLE process = process_.get();
    if (limit) {
        const ULONGLONG deadline =
            ::GetTickCount64() + static_cast<ULONGLONG>(limit->count()) * 1000;
        while (!WaitDispatching(process, WindowCheckMilliseconds)) {
            if (ShowsWindow(::GetProcessId(process))) {
                return End(ProcessEnd::ShowedWindow);
            }
            if (::GetTickCount64() >= deadline) {
                return End(ProcessEnd::TimedOut);
            }
        }
    } else {
        WaitDispatching(process, INFINITE);
    }
    DWORD status = 0;
    if (::GetExitCodeProcess(process, &status) == FALSE) {
        throw LastWin32Error();
    }
    return {ProcessEnd::Exited, status};
}

ProcessEnd Win32Process::End(ProcessEnd::Reason why) {
    ::TerminateProcess(process_.get(), EndedStatus);
    WaitDispatching(process_.get(), EndingMilliseconds);
    return {why, EndedStatus};
}

} // namespace ocx
