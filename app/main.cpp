#include "app/AbnormalEnd.h"
#include "app/DllSearch.h"
#include "app/StartupForm.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    ocx::EndAbnormalRunsAtOnce();
    ocx::RestrictDllSearchToSystemFolder();
    return ocx::RunStartupForm(instance);
}
