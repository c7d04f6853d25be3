// A second thread throws and catches its own exception. The installer's runtime keeps one record
// of exceptions in flight, the main thread's, and must end the program at once with status 4
// rather than let the thread share it: without that, this program would end with status 0.
#include "app/AbnormalEnd.h"

#include <windows.h>

#include <exception>

namespace {

// Of the program's own: std::runtime_error's string would link the runtime's throw helpers,
// which the installer's runtime replaces.
class Failure final : public std::exception {};

DWORD WINAPI ThrowAndCatch(void* /*unused*/) {
    try {
        throw Failure();
    } catch (const Failure&) {
        return 0;
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    ocx::EndAbnormalRunsAtOnce();
    // Started as Win32 starts one: std::thread, too, would link those helpers.
    const HANDLE thread = ::CreateThread(nullptr, 0, ThrowAndCatch, nullptr, 0, nullptr);
    ::WaitForSingleObject(thread, INFINITE);
    return 0;
}
