#include "platform/Win32Process.h"

#include "platform/MessageWait.h"
#include "platform/Win32Error.h"
#include "platform/WindowWatch.h"

namespace ocx {

namespace {

// How often a limited wait looks for the process's windows.
constexpr DWORD WindowCheckMilliseconds = 100;
// How long an ended process is given to go, so that the files it had loaded are free.
constexpr DWORD EndingMilliseconds = 5000;
constexpr UINT EndedStatus = 1;

struct WindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && ::IsWindowVisible(window) != FALSE) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the process on this desktop, which is the one it was started
// on: the one seen before while it stays, so that a second window does not hide the first.
HWND VisibleWindow(DWORD processId, HWND before) {
    DWORD owner = 0;
    if (before != nullptr && ::GetWindowThreadProcessId(before, &owner) != 0 &&
        owner == processId && ::IsWindowVisible(before) != FALSE) {
        return before;
    }
    WindowSearch search{processId, nullptr};
    ::EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

ProcessEnd Win32Process::WaitForExit(std::optional<std::chrono::seconds> limit) {
    const HANDLE process = process_.get();
    if (limit) {
        const ULONGLONG deadline =
            ::GetTickCount64() + static_cast<ULONGLONG>(limit->count()) * 1000;
        WindowWatch watch;
        HWND window = nullptr;
        while (!WaitDispatching(process, WindowCheckMilliseconds)) {
            window = VisibleWindow(::GetProcessId(process), window);
            const std::chrono::milliseconds now(
                static_cast<std::chrono::milliseconds::rep>(::GetTickCount64()));
            if (watch.Stayed(reinterpret_cast<std::uintptr_t>(window), now)) {
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
