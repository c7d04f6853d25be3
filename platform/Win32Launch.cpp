// The shell launch of the Win32 platform.
#include "platform/Win32Platform.h"

#include "platform/Win32Error.h"
#include "platform/Win32Process.h"

#include <shellapi.h>

namespace ocx {

ShellLaunch Win32Platform::ShellExecuteA(NativeWindow owner, const std::string& operation,
                                         const std::string& file, const std::string& parameters,
                                         const std::string& directory, int showCommand) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof(info);
    // The process handle is kept so the caller can wait; a refusal is the caller's to judge,
    // so the shell shows no error box of its own.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = static_cast<HWND>(owner);
    info.lpVerb = operation.c_str();
    info.lpFile = file.c_str();
    info.lpParameters = parameters.c_str();
    info.lpDirectory = directory.c_str();
    info.nShow = showCommand;

    const BOOL started = ::ShellExecuteExA(&info);
    UniqueKernelHandle process(info.hProcess);
    ShellLaunch launch;
    launch.Result = reinterpret_cast<std::intptr_t>(info.hInstApp);
    if (started == FALSE && launch.Result > ShellLaunchRefusedLimit) {
        launch.Result = SE_ERR_NOASSOC;
    }
    if (started != FALSE && process) {
        launch.Process = std::make_unique<Win32Process>(std::move(process));
    }
    return launch;
}

} // namespace ocx
