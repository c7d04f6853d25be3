#include "installer/frmMain.h"

#include "platform/PlatformError.h"

#include <algorithm>
#include <iterator>

namespace ocx {

namespace {

constexpr std::size_t SystemFolderBufferSize = 255;
constexpr const wchar_t* MessageTitle = L"OCX Installation";
constexpr unsigned MessageStyleError = 16; // an error icon and a single OK button
// After the user has answered the tool's box, the installer's box may be refused the front:
// it opens above other windows all the same, where it can be found.
constexpr unsigned MessageSetForeground = 0x10000;
constexpr unsigned MessageTopmost = 0x40000;

} // namespace

void frmMain::RunInstall() noexcept {
    // Where no one can answer, a box would wait forever, and so would a run waiting for the
    // lock: ask once, before anything.
    Attempt([&] { attended_ = platform_.UserCanAnswer(); });
    if (!attended_) {
        Attempt([&] { platform_.SilenceSystemErrors(); });
    }
    result_ = Run();
    // The lock is free again: a box left unanswered holds up no other run.
    Tell();
    Attempt([&] { platform_.UnloadWindow(); });
}

InstallResult frmMain::Run() noexcept {
    Attempt([&] { FileSource = platform_.ApplicationFolder() + std::wstring(ControlFile); });
    Attempt([&] { FileTarget = SystemFolder() + std::wstring(ControlFile); });
    // A source that cannot be looked at counts as missing, and the message says why: the
    // installed copy is kept, and no other run is waited for.
    StepFailure failure;
    bool present = false;
    Attempt([&] { present = !platform_.MatchFile(FileSource, OrdinaryFiles).empty(); }, &failure);
    if (!present) {
        ReportMissingSource(failure.Reason);
        return InstallResult::SourceMissing;
    }
    // One replacement at a time: a second run waits here, before it touches anything, and goes
    // on when the first has ended; where no one can answer, not for ever. Without the lock, as it
    // must be, the run ends here: two runs at once could undo each other's work.
    std::unique_ptr<HeldLock> lock;
    std::optional<std::chrono::seconds> limit;
    if (!attended_) {
        limit = LockTimeLimit;
    }
    std::wstring system;
    StepFailure unusable;
    if (!Attempt(
            [&] {
                system = SystemFolder();
                lock = platform_.LockMachineWide(system + LockFile(), limit);
            },
            &unusable)) {
        ReportUnusableLock(system, unusable.Reason);
        return InstallResult::CopyFailed;
    }
    if (!lock) {
        std::wstring message;
        if (Attempt([&] {
                message =
                    ControlName() + L" was not installed: another installation is still running";
            })) {
            Report(message);
        }
        return InstallResult::AnotherInstallRunning;
    }
    Tool tool(*this);
    ControlReplacement replacement(platform_, FileSource, FileTarget, tool);
    const ReplacementOutcome& outcome = replacement.Run();
    ReportOutcome(outcome);
    return outcome.Result;
}

std::wstring frmMain::SystemFolder() {
    std::string buffer(SystemFolderBufferSize, ' ');
    const unsigned count = platform_.GetSystemDirectoryA(buffer);
    // 0 means the system could not tell; a larger count than the buffer asks for more room.
    // Either way there is no folder, and a path built on one would point elsewhere.
    if (count == 0 || count > buffer.size()) {
        throw PlatformError(ErrorKind::Other, 0, L"The system folder could not be read.");
    }
    buffer.resize(count);
    return platform_.FromAnsi(buffer);
}

// The program's own folder out of reach (a mapped drive that an elevated run does not see, a
// share gone away) is no missing file: the message says why.
void frmMain::ReportMissingSource(const std::wstring& reason) noexcept {
    std::wstring message;
    if (Attempt([&] { message = L"Source file " + ControlName() + L" not found"; })) {
        Report(message, reason);
    }
}

// What the replacement leaves to tell. On a desktop the tool's own box has told the user of a
// failed registration already, when it ran and ended by itself, unless there is more to say;
// where no one can answer, the line is all an administrator gets.
// The lock's file, after the system folder: in a folder of the lock's own.
std::wstring frmMain::LockFile() {
    return L"\\ocxsetup\\ocxsetup." + ControlName() + L".lock";
}

std::wstring frmMain::CannotCopy() {
    return L"Cannot copy " + ControlName() + L" to " + Shown(FileTarget);
}

void frmMain::ReportUnusableLock(const std::wstring& system, const std::wstring& reason) noexcept {
    std::wstring message;
    std::wstring why;
    if (Attempt([&] {
            message = CannotCopy();
            why = L"The installation lock " +
                  (system.empty() ? std::wstring() : Shown(system) + LockFile() + L" ") +
                  L"cannot be used" + (reason.empty() ? L"" : L": " + reason);
        })) {
        Report(message, why);
    }
}

void frmMain::ReportOutcome(const ReplacementOutcome& outcome) noexcept {
    std::wstring message;
    switch (outcome.Result) {
    case InstallResult::CopyFailed:
        if (Attempt([&] { message = CannotCopy(); })) {
            Report(message, outcome.CopyFailure, outcome);
        }
        return;
    case InstallResult::RegistrationFailed:
        if (attended_ && outcome.Registration.Spoke && outcome.KeptAside.empty() &&
            outcome.KeptEarlier.empty() && outcome.RestoreFailure.empty() &&
            outcome.Unremoved.empty()) {
            return;
        }
        if (Attempt([&] {
                message = ControlName() + L" did not register: " + outcome.Registration.Failure;
            })) {
            Report(message, {}, outcome);
        }
        return;
    case InstallResult::Installed:
    case InstallResult::SourceMissing:
    case InstallResult::AnotherInstallRunning:
        return;
    }
}

// The run's one report, with what a failure leaves behind named last, so that no copy is left
// unaccounted for. Empty lines are left out.
void frmMain::Report(const std::wstring& message, const std::wstring& reason,
                     const ReplacementOutcome& outcome) noexcept {
    if (!Attempt([&] {
            std::vector<std::wstring> report{message, reason};
            if (!outcome.RestoreFailure.empty()) {
                report.push_back(L"The earlier copy is back in place but did not register again: " +
                                 outcome.RestoreFailure);
            }
            if (!outcome.Unremoved.empty()) {
                report.push_back(L"The new copy could not be removed and is left unregistered as " +
                                 Shown(outcome.Unremoved));
            }
            if (!outcome.KeptAside.empty()) {
                report.push_back(L"The earlier copy is kept as " + Shown(outcome.KeptAside));
            }
            std::ranges::transform(outcome.KeptEarlier, std::back_inserter(report),
                                   [&](const auto& earlier) {
                                       return L"An earlier copy is kept as " + Shown(earlier);
                                   });
            std::erase_if(report, [](const std::wstring& line) { return line.empty(); });
            report_ = std::move(report);
        })) {
        report_.clear();
    }
}

// Where the file really is, for people: a 32-bit program's system32 may be another folder.
std::wstring frmMain::Shown(const std::wstring& path) noexcept {
    std::wstring shown;
    if (!Attempt([&] { shown = platform_.RealPath(path); })) {
        Attempt([&] { shown = path; });
    }
    return shown;
}

// A box where someone can answer it; otherwise one line on standard error, and the exit status
// tells the rest.
void frmMain::Tell() noexcept {
    std::wstring box;
    std::wstring line;
    if (report_.empty() || !Attempt([&] {
            for (const std::wstring& text : report_) {
                box += (box.empty() ? L"" : L"\r\n") + text;
                line += (line.empty() ? L"" : L": ") + text;
            }
        })) {
        return;
    }
    if (attended_) {
        Attempt([&] {
            platform_.ShowMessage(box, MessageStyleError | MessageSetForeground | MessageTopmost,
                                  MessageTitle);
        });
    } else {
        Attempt([&] { platform_.WriteErrorLine(line); });
    }
}

} // namespace ocx
