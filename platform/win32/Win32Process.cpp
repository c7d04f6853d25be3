#include "platform/win32/Win32Process.h"

#include "platform/WindowWatch.h"
#include "platform/win32/MessageWait.h"
#include "platform/win32/Win32Error.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

namespace ocx {

namespace {

// How often a limited wait looks for the processes' windows.
constexpr DWORD WindowCheckMilliseconds = 100;
// How long ended processes are given to go, so that the files they had loaded are free.
constexpr DWORD EndingMilliseconds = 5000;
constexpr DWORD EndingCheckMilliseconds = 50;
constexpr UINT EndedStatus = 1;
// The most processes of a job that are looked at: a tool and the few programs a control starts.
constexpr std::size_t ListedProcesses = 64;

struct JobMembers {
    DWORD Count = 0;           // the processes in the job
    std::vector<DWORD> Listed; // their ids, as many as were looked at
};

// The job's processes. The system's structure declares room for one id only, so the list is
// read from a buffer of this program's own size.
JobMembers Members(HANDLE job) {
    using List = JOBOBJECT_BASIC_PROCESS_ID_LIST;
    constexpr std::size_t IdsAt = offsetof(List, ProcessIdList);
    alignas(List) std::array<std::byte, IdsAt + ListedProcesses * sizeof(ULONG_PTR)> buffer{};
    JobMembers members;
    if (::QueryInformationJobObject(job, JobObjectBasicProcessIdList, buffer.data(),
                                    static_cast<DWORD>(buffer.size()), nullptr) == FALSE &&
        ::GetLastError() != ERROR_MORE_DATA) {
        return members;
    }
    DWORD listed = 0;
    std::memcpy(&members.Count, buffer.data() + offsetof(List, NumberOfAssignedProcesses),
                sizeof(members.Count));
    std::memcpy(&listed, buffer.data() + offsetof(List, NumberOfProcessIdsInList), sizeof(listed));
    for (std::size_t at = 0; at < std::min<std::size_t>(listed, ListedProcesses); ++at) {
        ULONG_PTR id = 0;
        std::memcpy(&id, buffer.data() + IdsAt + at * sizeof(id), sizeof(id));
        members.Listed.push_back(static_cast<DWORD>(id));
    }
    return members;
}

struct WindowSearch {
    const std::vector<DWORD>& processes;
    HWND found;
};

// A console's window, which Windows reports as its program's own (a pseudo console's, under
// Windows Terminal, is hidden; Wine's console host, one of the group, has a class of its own): a
// console program that takes its time waits for no answer (one that waits for input meets the
// time limit).
bool IsConsole(HWND window) {
    std::array<wchar_t, 32> name{};
    const int length = ::GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    const std::wstring_view type(name.data(), static_cast<std::size_t>(length > 0 ? length : 0));
    return type == L"ConsoleWindowClass" || type == L"PseudoConsoleWindow" ||
           type == L"WineConsoleClass";
}

bool IsVisibleWindowOf(HWND window, const std::vector<DWORD>& processes) {
    DWORD owner = 0;
    return ::GetWindowThreadProcessId(window, &owner) != 0 &&
           std::ranges::find(processes, owner) != processes.end() &&
           ::IsWindowVisible(window) != FALSE && !IsConsole(window);
}

BOOL CALLBACK FindVisibleWindow(HWND window, LPARAM context) {
    // The search comes back as the LPARAM that EnumWindows was given.
    auto& search = *reinterpret_cast<WindowSearch*>(context); // NOLINT(performance-no-int-to-ptr)
    if (IsVisibleWindowOf(window, search.processes)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the processes on this desktop, which is the one they were
// started on: the one seen before while it stays, so that a second window does not hide the
// first.
HWND VisibleWindow(const std::vector<DWORD>& processes, HWND before) {
    if (before != nullptr && IsVisibleWindowOf(before, processes)) {
        return before;
    }
    WindowSearch search{processes, nullptr};
    ::EnumWindows(FindVisibleWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

// A process still running here was not waited out (the wait failed): left running, it would
// go on changing the control's registration beside the rollback. One in a job goes with it.
Win32Process::~Win32Process() {
    if (thread_ || ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.get(), EndedStatus);
    }
}

// Made before the process runs, so that nothing it starts escapes. Where the installer itself
// runs in a job that allows no job of its own (on Windows 7; on later systems, one with limits
// on its user interface), this fails and the process runs alone. Until the process has ended by
// itself, the job ends with its handle: an installer that is ended meanwhile (a deployment's
// time limit) leaves no tool behind to work beside the next run.
void Win32Process::KeepWithItsChildren() {
    UniqueKernelHandle job(::CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job ||
        ::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                  sizeof(limits)) == FALSE ||
        ::AssignProcessToJobObject(job.get(), process_.get()) == FALSE) {
        throw LastWin32Error();
    }
    job_ = std::move(job);
}

void Win32Process::Resume() {
    if (::ResumeThread(thread_.get()) == static_cast<DWORD>(-1)) {
        throw LastWin32Error();
    }
    thread_.reset();
}

ProcessEnd Win32Process::WaitForExit(std::optional<std::chrono::seconds> limit) {
    const HANDLE process = process_.get();
    if (limit) {
        const ULONGLONG deadline =
            ::GetTickCount64() + static_cast<ULONGLONG>(limit->count()) * 1000;
        WindowWatch watch;
        HWND window = nullptr;
        while (!WaitDispatching(process, WindowCheckMilliseconds)) {
            std::vector<DWORD> processes;
            if (job_) {
                processes = Members(job_.get()).Listed;
            }
            processes.push_back(::GetProcessId(process));
            window = VisibleWindow(processes, window);
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
    // What the control started as it registered goes on by itself, as it would without a job,
    // and may leave the job for a job of its own. (Should this fail, the job still ends them with
    // its handle: as where the wait was cut short.)
    if (job_) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
        ::SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits,
                                  sizeof(limits));
    }
    DWORD status = 0;
    if (::GetExitCodeProcess(process, &status) == FALSE) {
        throw LastWin32Error();
    }
    return {ProcessEnd::Exited, status};
}

// Ends the process with everything it started, and waits a while for them to be gone: the
// system ends them after the call returns.
ProcessEnd Win32Process::End(ProcessEnd::Reason why) {
    if (job_) {
        ::TerminateJobObject(job_.get(), EndedStatus);
    }
    ::TerminateProcess(process_.get(), EndedStatus);
    const ULONGLONG deadline = ::GetTickCount64() + EndingMilliseconds;
    WaitDispatching(process_.get(), EndingMilliseconds);
    while (job_ && Members(job_.get()).Count != 0 && ::GetTickCount64() < deadline) {
        WaitDispatching(nullptr, EndingCheckMilliseconds);
    }
    return {why, EndedStatus};
}

} // namespace ocx
