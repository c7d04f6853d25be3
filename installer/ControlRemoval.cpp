#include "installer/ControlRemoval.h"

#include "installer/Attempt.h"
#include "installer/Leftovers.h"

namespace ocx {

const RemovalOutcome& ControlRemoval::Run() & noexcept {
    outcome_.Result = Remove();
    if (outcome_.Result == RemoveResult::Removed) {
        DiscardEarlierCopies(platform_, target_, earlier_);
    }
    outcome_.KeptEarlier = std::move(earlier_);
    return outcome_;
}

RemoveResult ControlRemoval::Remove() noexcept {
    earlier_ = ClearLeftovers(platform_, target_);
    // A target that cannot be looked at counts as installed: the tool tells.
    Attempt([&] { outcome_.WasInstalled = !platform_.MatchFile(target_, OrdinaryFiles).empty(); });
    if (!outcome_.WasInstalled) {
        return RemoveResult::Removed;
    }
    const ToolRun unregistered =
        tool_.RegisterControl(target_, ToolAction::Unregister, ToolMessages::AsUsual);
    if (!unregistered.Succeeded) {
        outcome_.Failure = unregistered.Failure;
        outcome_.ToolToldTheUser = unregistered.ToldTheUser;
        // A run that ran may have left the registration half undone.
        if (unregistered.Started) {
            RegisterAgain();
        }
        return RemoveResult::NotUnregistered;
    }
    StepFailure failure;
    if (AttemptRetrying(
            platform_, [&] { platform_.DeleteFiles(target_); }, &failure) ||
        failure.Kind == ErrorKind::NotFound) {
        return RemoveResult::Removed;
    }
    // A program has it loaded: a loaded DLL can still be renamed, to a name that says it is no
    // one's, and deleted when the system restarts. Nothing can create the control any more.
    std::wstring moved = MoveToTemporaryName(platform_, target_, target_, DeletedTag, nullptr);
    if (!moved.empty()) {
        outcome_.LeftInUse.AtRestart = Attempt([&] { platform_.DeleteAtRestart(moved); });
        outcome_.LeftInUse.LeftAs = std::move(moved);
        return RemoveResult::Removed;
    }
    outcome_.Failure = std::move(failure.Reason);
    RegisterAgain();
    return RemoveResult::NotRemoved;
}

// Left in place, it is registered again, silently: the run must not leave a control that is
// there but cannot be created, and says so where it does.
void ControlRemoval::RegisterAgain() noexcept {
    const ToolRun again = tool_.RegisterControl(target_, ToolAction::Register, ToolMessages::None);
    if (!again.Succeeded) {
        Attempt([&] { outcome_.RestoreFailure = again.Failure; });
    }
}

} // namespace ocx
