#include "installer/frmRemove.h"

#include <algorithm>
#include <iterator>

namespace ocx {

void frmRemove::RunRemove() noexcept {
    RunOnce([&] { return static_cast<int>(Run()); });
}

RemoveResult frmRemove::Run() noexcept {
    ReadSystemFolder();
    if (!systemFolder_.empty()) {
        Attempt([&] { FileTarget = systemFolder_ + std::wstring(ControlFile); });
    }
    // One run at a time, installations and removals alike, before anything is touched.
    std::unique_ptr<HeldLock> lock;
    std::wstring failed;
    Attempt([&] { failed = L"Cannot remove " + Shown(FileTarget); });
    if (const std::optional<int> ended = TakeLock(lock, failed, L"removed")) {
        return static_cast<RemoveResult>(*ended);
    }
    RegistrationTool tool(platform_, systemFolder_, attended_);
    ControlRemoval removal(platform_, FileTarget, tool);
    const RemovalOutcome& outcome = removal.Run();
    Attempt([&] { ReportOutcome(outcome); });
    return outcome.Result;
}

// On a desktop the tool's own box has told the user how its run went, unless there is more to
// say; where no one can answer, the line is all an administrator gets. What the run leaves behind
// is named last.
void frmRemove::ReportOutcome(const RemovalOutcome& outcome) {
    std::vector<std::wstring> lines;
    const Discarded& inUse = outcome.LeftInUse;
    switch (outcome.Result) {
    case RemoveResult::Removed:
        if (!outcome.WasInstalled) {
            Report({ControlName() + L" is not installed: there is nothing to remove"},
                   MessageStyle::Information);
            return;
        }
        if (attended_ || inUse.LeftAs.empty()) {
            return;
        }
        lines = {ControlName() + L" was removed; the file, still in use, is " +
                 LeftUntilDeleted(inUse)};
        break;
    case RemoveResult::NotUnregistered:
        if (attended_ && outcome.ToolToldTheUser && outcome.RestoreFailure.empty() &&
            outcome.KeptEarlier.empty()) {
            return;
        }
        lines = {ControlName() + L" was not removed: " + outcome.Failure};
        break;
    case RemoveResult::NotRemoved:
        lines = {L"Cannot remove " + Shown(FileTarget), outcome.Failure};
        break;
    case RemoveResult::AnotherInstallRunning:
        return;
    }
    if (!outcome.RestoreFailure.empty()) {
        lines.push_back(L"It is in place but did not register again: " + outcome.RestoreFailure);
    }
    std::ranges::transform(
        outcome.KeptEarlier, std::back_inserter(lines),
        [&](const auto& earlier) { return L"An earlier copy is kept as " + Shown(earlier); });
    Report(std::move(lines));
}

} // namespace ocx
