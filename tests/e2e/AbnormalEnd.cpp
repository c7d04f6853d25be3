// A GUI program that ends abnormally as the installer would, by an exception where none may
// pass, after the installer's own start-up step: it must end at once with status 4, no box.
#include "app/AbnormalEnd.h"

#include <windows.h>

#include <stdexcept>

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    ocx::EndAbnormalRunsAtOnce();
    const auto fail = [] { throw std::runtime_error("abnormal end"); };
    [&]() noexcept { fail(); }();
    return 0;
}
