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

} // namespace

void EndAbnormalRunsAtOnce() noexcept {
    std::set_terminate(EndAbnormally);
    // abort(), which the runtime may call itself, raises the signal before it ends with 3.
    std::signal(SIGABRT, OnAbort);
    // A runtime error that still reaches the runtime's own reporting goes to standard error,
    // never into a box.
    ::_set_error_mode(_OUT_TO_STDERR);
}

} // namespace ocx
