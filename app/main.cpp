#include "app/AbnormalEnd.h"
#include "app/DllSearch.h"
#include "app/FormWindow.h"
#include "installer/frmMain.h"
#include "platform/win32/Win32Platform.h"

static_assert(ocx::AbnormalEndStatus != static_cast<int>(ocx::InstallResult::Installed) &&
                  ocx::AbnormalEndStatus != static_cast<int>(ocx::InstallResult::SourceMissing) &&
                  ocx::AbnormalEndStatus != static_cast<int>(ocx::InstallResult::CopyFailed) &&
                  ocx::AbnormalEndStatus !=
                      static_cast<int>(ocx::InstallResult::RegistrationFailed) &&
                  ocx::AbnormalEndStatus !=
                      static_cast<int>(ocx::InstallResult::AnotherInstallRunning),
              "an abnormal end must not read as an installation result");

// The program: frmMain on its hidden window, whose load event runs the installation and unloads
// the window. No message loop follows: the installation keeps the window responsive while it
// waits, and nothing is left to run once it has ended.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    ocx::EndAbnormalRunsAtOnce();
    ocx::RestrictDllSearchToSystemFolder();
    // Where the desktop refuses a window, the installation runs without one.
    ocx::Win32Platform platform(ocx::CreateFormWindow(instance));
    ocx::frmMain form(platform);
    form.Form_Load();
    return form.ExitStatus().value_or(static_cast<int>(ocx::InstallResult::CopyFailed));
}
