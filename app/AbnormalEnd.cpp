#include "app/AbnormalEnd.h"

#include <windows.h>

#include <cstdlib>
#include <exception>

namespace ocx {

void EndAbnormally() noexcept {
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(AbnormalEndStatus));
    ::ExitProcess(static_cast<UINT>(AbnormalEndStatus)); // not reached: the process is gone
}

void EndAbnormalRunsAtOnce() noexcept {
    std::set_terminate(EndAbnormally);
    // A runtime error that still reaches the runtime's own reporting goes to standard error,
    // never into a box.
    ::_set_error_mode(_OUT_TO_STDERR);
}

} // namespace ocx
