#include "app/Program.h"
#include "installer/frmRemove.h"

static_assert(ocx::AbnormalEndStatus != static_cast<int>(ocx::RemoveResult::Removed) &&
                  ocx::AbnormalEndStatus != static_cast<int>(ocx::RemoveResult::NotRemoved) &&
                  ocx::AbnormalEndStatus != static_cast<int>(ocx::RemoveResult::NotUnregistered) &&
                  ocx::AbnormalEndStatus !=
                      static_cast<int>(ocx::RemoveResult::AnotherInstallRunning),
              "an abnormal end must not read as a removal's result");

// The uninstaller, ocxremove.exe: frmRemove, whose load event removes the installed control.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    return ocx::RunProgram<ocx::frmRemove>(instance,
                                           static_cast<int>(ocx::RemoveResult::NotRemoved));
}
