#include "app/AbnormalEnd.h"

#include <windows.h>

#include <csignal>
#include <cstdlib>
#include <exception>

namespace ocx {

void EndAbnormally() noexcept {
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(AbnormalEndStatus));
    ::ExitProcess(static_cast<UINT>(AbnormalEndStatus)); // not reached: the process is gone
}

namespace {

void OnAbort(int /*signal*/) {
    EndAbnormally();
}

// A crash (an access violation, say) that nothing handled: the system would end the program
// with the exception's code, after a box that waits where no one can answer it.
LONG WINAPI OnCrash(EXCEPTION_POINTERS* /*exception*/) {
    EndAbnormally();
}

} // namespace

void EndAbnormalRunsAtOnce() noexcept {
    std::set_terminate(EndAbnormally);
    // abort(), which the runtime may call itself, raises the signal before it ends with 3.
    std::signal(SIGABRT, OnAbort);
    ::SetUnhandledExceptionFilter(OnCrash);
    // A runtime error that still reaches the runtime's own reporting goes to standard error,
    // never into a box.
    ::_set_error_mode(_OUT_TO_STDERR);
}

} // namespace ocx
