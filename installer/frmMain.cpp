#include "installer/frmMain.h"

#include <algorithm>
#include <iterator>

namespace ocx {

void frmMain::RunInstall() noexcept {
    RunOnce([&] { return static_cast<int>(Run()); });
}

InstallResult frmMain::Run() noexcept {
    Attempt([&] { FileSource = platform_.ApplicationFolder() + std::wstring(ControlFile); });
    ReadSystemFolder();
    if (!systemFolder_.empty()) {
        Attempt([&] { FileTarget = systemFolder_ + std::wstring(ControlFile); });
    }
    // A source that cannot be looked at counts as missing, and the message says why: the
    // installed copy is kept, and no other run is waited for.
    StepFailure failure;
    bool present = false;
    Attempt([&] { present = !platform_.MatchFile(FileSource, OrdinaryFiles).empty(); }, &failure);
    if (!present) {
        std::wstring message;
        if (Attempt([&] { message = L"Source file " + ControlName() + L" not found"; })) {
            Report(message, failure.Reason);
        }
        return InstallResult::SourceMissing;
    }
    // One replacement at a time: a second run waits here, before it touches anything.
    std::unique_ptr<HeldLock> lock;
    if (const std::optional<int> ended = TakeLock(lock, CannotCopy(), L"installed")) {
        return static_cast<InstallResult>(*ended);
    }
    RegistrationTool tool(platform_, systemFolder_, attended_);
    ControlReplacement replacement(platform_, FileSource, FileTarget, tool);
    const ReplacementOutcome& outcome = replacement.Run();
    ReportOutcome(outcome);
    return outcome.Result;
}

std::wstring frmMain::CannotCopy() {
    std::wstring message;
    Attempt([&] { message = L"Cannot copy " + ControlName() + L" to " + Shown(FileTarget); });
    return message;
}

// What the replacement leaves to tell. On a desktop the tool's own box has told the user of a
// failed registration already, when it ran and ended by itself, unless there is more to say;
// where no one can answer, the line is all an administrator gets.
void frmMain::ReportOutcome(const ReplacementOutcome& outcome) noexcept {
    std::wstring message;
    switch (outcome.Result) {
    case InstallResult::CopyFailed:
        Report(CannotCopy(), outcome.CopyFailure, outcome);
        return;
    case InstallResult::RegistrationFailed:
        if (attended_ && outcome.Registration.ToldTheUser && outcome.KeptAside.empty() &&
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
        // Which machines still run the old control, and until when, is for the log to tell.
        if (!attended_ && !outcome.OldCopyInUse.LeftAs.empty() && Attempt([&] {
                message = ControlName() + L" was installed; the earlier copy, still in use, is " +
                          LeftUntilDeleted(outcome.OldCopyInUse);
            })) {
            Report(message);
        }
        return;
    case InstallResult::SourceMissing:
    case InstallResult::AnotherInstallRunning:
        return;
    }
}

// The run's one report, with what a failure leaves behind named last, so that no copy is left
// unaccounted for.
void frmMain::Report(const std::wstring& message, const std::wstring& reason,
                     const ReplacementOutcome& outcome) noexcept {
    std::vector<std::wstring> report;
    if (!Attempt([&] {
            report = {message, reason};
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
        })) {
        report.clear();
    }
    InstallerForm::Report(std::move(report));
}

} // namespace ocx
