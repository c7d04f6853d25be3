#include "installer/frmMain.h"

namespace ocx {

namespace {

// The system's own tool, by full path: a program of the same name lying beside the installer
// (a Downloads folder) must never run instead.
constexpr std::wstring_view RegistrationTool = L"\\regsvr32.exe";
constexpr std::wstring_view UnregisterSwitch = L"-u ";
constexpr int ShowNormal = 1;

// The tool must receive the path as one argument, so a path with blanks goes in quotes.
std::wstring ToolArgument(const std::wstring& path) {
    if (path.find_first_of(L" \t") == std::wstring::npos) {
        return path;
    }
    return L'"' + path + L'"';
}

} // namespace

void frmMain::RegisterControl(const std::wstring& path, bool Register) {
    const NativeWindow owner = platform_.WindowHandle();
    const std::wstring tool = SystemFolder() + std::wstring(RegistrationTool);
    const std::wstring parameters =
        Register ? ToolArgument(path) : std::wstring(UnregisterSwitch) + ToolArgument(path);

    const ShellLaunch launch =
        platform_.ShellExecuteA(owner, platform_.ToAnsi(L"open"), platform_.ToAnsi(tool),
                                platform_.ToAnsi(parameters), platform_.ToAnsi(L""), ShowNormal);

    // Waiting keeps the tool runs in order: the old copy is unregistered before it is deleted,
    // and the new one registered before the program ends. A refused launch is not reported.
    LaunchOutcome outcome{Register, std::nullopt};
    if (launch.Process) {
        outcome.ExitStatus = launch.Process->WaitForExit();
    }
    launches_.push_back(outcome);
}

} // namespace ocx
