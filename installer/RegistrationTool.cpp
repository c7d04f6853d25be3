#include "installer/RegistrationTool.h"

#include "installer/Attempt.h"
#include "installer/Constants.h"
#include "platform/Digits.h"
#include "platform/PlatformError.h"

namespace ocx {

namespace {

// The system's own tool, by full path: a program of the same name lying beside the installer
// (a Downloads folder) must never run instead.
constexpr std::wstring_view ToolFile = L"\\regsvr32.exe";
constexpr std::wstring_view ToolName = L"regsvr32";
constexpr std::wstring_view SilentSwitch = L"/s ";
constexpr std::wstring_view UnregisterSwitch = L"-u ";
// The tool's own failure statuses (bad arguments, no COM, the control cannot be loaded, has no
// entry point, or its registration failed), each of which its box tells; any other status is
// an end it did not choose, such as a crash.
constexpr unsigned long ToolOwnFailures = 5;

// An exit status as Windows writes it: an exception's code (a crash, such as 0xC0000005, or a
// breakpoint's 0x80000003) in hexadecimal, as administrators search for it, and any other in
// decimal.
std::wstring Status(unsigned long status) {
    constexpr unsigned long ExceptionCodes = 0x80000000;
    return status >= ExceptionCodes ? L"0x" + Digits(status, 16, 8) : Digits(status, 10);
}

// The text with the system's reason after it, where the system gave one.
std::wstring WithReason(const std::wstring& text, const std::wstring& reason) {
    return reason.empty() ? text : text + L": " + reason;
}

} // namespace

std::wstring RegistrationTool::Arguments(const std::wstring& path, ToolAction action,
                                         ToolMessages messages) {
    std::wstring arguments =
        messages == ToolMessages::None ? std::wstring(SilentSwitch) : std::wstring();
    if (action == ToolAction::Unregister) {
        arguments += UnregisterSwitch;
    }
    // The tool must receive the path as one argument, so a path with blanks goes in quotes.
    if (path.find_first_of(L" \t") == std::wstring::npos) {
        return arguments + path;
    }
    return arguments + L'"' + path + L'"';
}

std::wstring RegistrationTool::Failure(const ProcessEnd& end) {
    const std::wstring tool(ToolName);
    switch (end.How) {
    case ProcessEnd::ShowedWindow:
        return tool + L" showed a window that no one can answer and was ended";
    case ProcessEnd::TimedOut:
        return tool + L" did not end within " +
               Digits(static_cast<unsigned long>(ToolTimeLimit.count()), 10) +
               L" minutes and was ended";
    case ProcessEnd::Exited:
        break;
    }
    return end.Status == 0 ? std::wstring() : tool + L" ended with status " + Status(end.Status);
}

ToolRun RegistrationTool::RegisterControl(const std::wstring& path, ToolAction action,
                                          ToolMessages messages) noexcept {
    ToolRun run;
    StepFailure failure;
    bool started = false; // known even where the wait fails
    if (!Attempt([&] { run = Run(path, action, messages, started); }, &failure)) {
        Attempt([&] {
            run.Failure = WithReason(std::wstring(ToolName) + L" could not be run", failure.Reason);
        });
    }
    run.Started = started;
    return run;
}

// Its own box tells the user only where it may show one and ended by itself: one that could not
// start, or was ended, has told no one. Whether it was let run goes to `started` as soon as it
// is, so that a wait that fails still tells it.
ToolRun RegistrationTool::Run(const std::wstring& path, ToolAction action, ToolMessages messages,
                              bool& started) {
    // With no system folder the path would name a tool of the current drive's.
    if (systemFolder_.empty()) {
        throw PlatformError(ErrorKind::Other, 0, L"The system folder could not be read.");
    }
    // Where no one can answer, the tool's own box would wait forever.
    const ToolMessages shown = attended_ ? messages : ToolMessages::None;
    std::unique_ptr<LaunchedProcess> launched;
    try {
        // It starts in the system folder, never in the installer's (a Downloads folder), where a
        // DLL that the control needs could be planted.
        launched = platform_.Launch({.Program = systemFolder_ + std::wstring(ToolFile),
                                     .Arguments = Arguments(path, action, shown),
                                     .Folder = systemFolder_,
                                     // Its own box, where it shows one, as usual.
                                     .ShowCommand = WindowShow::Normal});
    } catch (const PlatformError& error) {
        // What tells a tool refused by a policy (AppLocker, App Control) from a missing one.
        return {.Failure = WithReason(std::wstring(ToolName) + L" could not be started",
                                      error.Description())};
    }
    // What the control starts as it registers (a program that asks a question, say) goes with
    // the tool, to be watched and ended with it; where no job can be had, the tool runs alone.
    Attempt([&] { launched->KeepWithItsChildren(); });
    launched->Resume();
    started = true;

    // Waiting keeps the tool runs in order: the old copy is unregistered before it is moved,
    // and the new one registered before the outcome is decided. Where no one can answer, a box
    // of the control's own, which /s does not silence, or a tool that never ends would hold the
    // run forever: such a run is ended and counts as failed.
    std::optional<std::chrono::seconds> limit;
    if (!attended_) {
        limit = ToolTimeLimit;
    }
    const ProcessEnd end = launched->WaitForExit(limit);
    const bool byItself = end.How == ProcessEnd::Exited;
    return {.Succeeded = byItself && end.Status == 0,
            .ToldTheUser =
                byItself && shown == ToolMessages::AsUsual && end.Status <= ToolOwnFailures,
            .Failure = Failure(end)};
}

} // namespace ocx
