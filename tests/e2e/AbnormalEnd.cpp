// Ends abnormally after the installer's own start-up step: by an escaped exception or, with
// OCX_TEST_CRASH set, by an access violation. Either way it must end at once with status 4, no box.
#include "app/AbnormalEnd.h"

#include <windows.h>

#include <cstdlib>
#include <stdexcept>

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    ocx::EndAbnormalRunsAtOnce();
    if (std::getenv("OCX_TEST_CRASH") != nullptr) {
        // Volatile both: the compiler can neither see that it fails nor leave the write out.
        volatile int* volatile nowhere = nullptr;
        *nowhere = 1;
    }
    const auto fail = [] { throw std::runtime_error("abnormal end"); };
    [&]() noexcept { fail(); }();
    return 0;
}
