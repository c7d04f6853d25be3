#include "installer/frmMain.h"

#include "platform/PlatformError.h"

namespace ocx {

namespace {

// The system's own tool, by full path: a program of the same name lying beside the installer
// (a Downloads folder) must never run instead.
constexpr std::wstring_view RegistrationTool = L"\\regsvr32.exe";
constexpr std::wstring_view SilentSwitch = L"/s ";
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

// Gives whether the tool ran and ended with status 0.
bool frmMain::RegisterControl(const std::wstring& path, bool Register, ToolMessages messages) {
    // The window only owns the launch: without one, the tool still runs.
    NativeWindow owner = nullptr;
    try {
        owner = platform_.WindowHandle();
    } catch (const PlatformError&) {
        // No window: the launch has no owner.
    }
    // The tool starts in the system folder, never in the installer's (a Downloads folder),
    // where a DLL that the control needs could be planted.
    const std::wstring folder = SystemFolder();
    const std::wstring tool = folder + std::wstring(RegistrationTool);
    // Where no one can answer, the tool's own box would wait forever.
    const bool silent = messages == ToolMessages::None || !attended_;
    std::wstring parameters = silent ? std::wstring(SilentSwitch) : std::wstring();
    if (!Register) {
        parameters += UnregisterSwitch;
    }
    parameters += ToolArgument(path);

    const ShellLaunch launch =
        platform_.ShellExecuteA(owner, platform_.ToAnsi(L"open"), platform_.ToAnsi(tool),
                                platform_.ToAnsi(parameters), platform_.ToAnsi(folder), ShowNormal);

    // Waiting keeps the tool runs in order: the old copy is unregistered before it is moved,
    // and the new one registered before the outcome is decided. A refused launch is not
    // reported, and counts as a failed one.
    return launch.Process && launch.Process->WaitForExit() == 0;
}

} // namespace ocx
