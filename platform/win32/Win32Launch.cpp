// The program launch of the Win32 platform.
#include "platform/win32/Win32Platform.h"

#include "platform/win32/MachineEnvironment.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Process.h"

namespace ocx {

static_assert(static_cast<int>(WindowShow::Hidden) == SW_HIDE &&
              static_cast<int>(WindowShow::Normal) == SW_SHOWNORMAL);

// The program is named by its full path as the application: the system runs that file and no
// other, whatever the search path, the file associations or the user's registry say. It gets the
// machine's environment, never the user's: what it loads as it runs is searched for on the
// machine's path, and no variable that a user set steers it.
std::unique_ptr<LaunchedProcess> Win32Platform::Launch(const LaunchOptions& options) {
    std::wstring command = L'"' + options.Program + L'"';
    if (!options.Arguments.empty()) {
        command += L' ' + options.Arguments;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(options.ShowCommand);
    PROCESS_INFORMATION started{};
    const MachineEnvironment environment;
    // No handle of the installer's is inherited. A console program (Wine's regsvr32 is one)
    // also gets a console of its own, as the shell gives it, rather than the installer's
    // standard handles, which a program that it leaves running would keep open.
    if (::CreateProcessW(options.Program.c_str(), command.data(), nullptr, nullptr, FALSE,
                         CREATE_SUSPENDED | CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT,
                         environment.Block(),
                         options.Folder.empty() ? nullptr : options.Folder.c_str(), &startup,
                         &started) == FALSE) {
        throw LastWin32Error();
    }
    UniqueKernelHandle process(started.hProcess);
    UniqueKernelHandle thread(started.hThread);
    try {
        return std::make_unique<Win32Process>(std::move(process), std::move(thread));
    } catch (...) {
        // Held, with no one left to resume it, it would wait for ever.
        ::TerminateProcess(started.hProcess, 1);
        throw;
    }
}

} // namespace ocx
