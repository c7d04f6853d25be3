// Ends abnormally after the installer's own start-up step: by an escaped exception or, with
// OCX_TEST_CRASH set, by an access violation. Either way it must end at once with status 4, no box.
// With OCX_TEST_SECOND_THREAD set, a second thread throws and catches its own exception, which
// the installer's runtime, keeping one record of exceptions for the main thread, must not let go
// on: without that, the program would end with status 0.
#include "app/AbnormalEnd.h"

#include <windows.h>

#include <cstdlib>
#include <exception>

namespace {

// Of the program's own, as the installer's runtime replaces the library's that carry a string.
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
    if (std::getenv("OCX_TEST_CRASH") != nullptr) {
        // Volatile both: the compiler can neither see that it fails nor leave the write out.
        volatile int* volatile nowhere = nullptr;
        *nowhere = 1;
    }
    if (std::getenv("OCX_TEST_SECOND_THREAD") != nullptr) {
        // Started as Win32 starts one: std::thread would link the runtime's own throw helpers,
        // which the installer's runtime replaces.
        const HANDLE thread = ::CreateThread(nullptr, 0, ThrowAndCatch, nullptr, 0, nullptr);
        ::WaitForSingleObject(thread, INFINITE);
        return 0;
    }
    const auto fail = [] { throw Failure(); };
    [&]() noexcept { fail(); }();
    return 0;
}
