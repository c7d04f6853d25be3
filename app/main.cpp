#include "app/Program.h"
#include "installer/frmMain.h"

static_assert(ocx::AbnormalEndStatus != static_cast<int>(ocx::InstallResult::Installed) &&
                  ocx::AbnormalEndStatus != static_cast<int>(ocx::InstallResult::SourceMissing) &&
                  ocx::AbnormalEndStatus != static_cast<int>(ocx::InstallResult::CopyFailed) &&
                  ocx::AbnormalEndStatus !=
                      static_cast<int>(ocx::InstallResult::RegistrationFailed) &&
                  ocx::AbnormalEndStatus !=
                      static_cast<int>(ocx::InstallResult::AnotherInstallRunning),
              "an abnormal end must not read as an installation result");

// The installer, ocxsetup.exe: frmMain, whose load event runs the installation.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    return ocx::RunProgram<ocx::frmMain>(instance,
                                         static_cast<int>(ocx::InstallResult::CopyFailed));
}
