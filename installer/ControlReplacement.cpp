#include "installer/ControlReplacement.h"

#include "installer/Leftovers.h"

namespace ocx {

namespace {

// Hidden and system files, which a look for ordinary files passes over.
constexpr unsigned HiddenOrSystemFiles = FileAttributes::Hidden | FileAttributes::System;

constexpr const wchar_t* HiddenInTheWay =
    L"A hidden or system file of that name is in the system folder.";

} // namespace

const ReplacementOutcome& ControlReplacement::Run() & noexcept {
    outcome_.Result = Replace();
    // What is still owned is left where it is, and named; a new copy is never kept.
    staged_.Discard();
    outcome_.KeptAside = aside_.Leave();
    outcome_.KeptEarlier = std::move(earlier_);
    return outcome_;
}

InstallResult ControlReplacement::Replace() noexcept {
    earlier_ = ClearLeftovers(platform_, target_);
    // A target that cannot be looked at counts as an old copy, which is then handled with care.
    hadOldCopy_ = true;
    Attempt([&] { hadOldCopy_ = !platform_.MatchFile(target_, OrdinaryFiles).empty(); });
    if (!StageNewCopy()) {
        return InstallResult::CopyFailed;
    }
    if (hadOldCopy_) {
        SetOldCopyAside();
    }
    if (!PutNewCopyInPlace()) {
        return InstallResult::CopyFailed;
    }
    if (!RegisterNewCopy()) {
        RemoveNewCopy();
        RestoreOldCopy();
        return InstallResult::RegistrationFailed;
    }
    // Only now is an earlier working copy no longer the last one.
    outcome_.OldCopyInUse = aside_.Discard();
    DiscardEarlierCopies(platform_, target_, earlier_);
    return InstallResult::Installed;
}

// The new copy goes in beside the target under a name of its own, before anything touches the
// old copy. A copy from read-only media must not stay read-only, or the next upgrade fails.
bool ControlReplacement::StageNewCopy() noexcept {
    StepFailure failure;
    const bool staged = Attempt(
        [&] {
            staged_.Own(platform_.CreateUniqueFile(target_ + std::wstring(NewCopyTag),
                                                   std::wstring(TempExtension)));
            platform_.CopyFileTo(source_, staged_.Path());
            platform_.ClearReadOnly(staged_.Path());
        },
        &failure);
    // A copy made before the failure goes with the end of the run, as every new copy still owned.
    if (!staged) {
        outcome_.CopyFailure = std::move(failure.Reason);
    }
    return staged;
}

// Unregistered, then renamed rather than deleted: a copy that a program has loaded can still be
// renamed, and the name keeps it for a rollback.
void ControlReplacement::SetOldCopyAside() noexcept {
    RunTool(ToolAction::Unregister, ToolMessages::AsUsual);
    StepFailure failure;
    std::wstring aside = MoveToTemporaryName(platform_, target_, target_, OldCopyTag, &failure);
    if (!aside.empty()) {
        aside_.Own(std::move(aside));
        return;
    }
    // Nothing there after all (the target could not be looked at): nothing to register again.
    if (failure.Kind == ErrorKind::NotFound) {
        hadOldCopy_ = false;
    } else {
        asideFailure_ = std::move(failure);
    }
}

// Never over a file that was not set aside: that one would be lost with no way back.
bool ControlReplacement::PutNewCopyInPlace() noexcept {
    StepFailure failure;
    if (staged_.Keep(Existing::Refuse, &failure)) {
        return true;
    }
    staged_.Discard();
    RestoreOldCopy();
    // The old copy still in the way: why it could not be set aside is the reason. A file in the
    // way that the look for an old copy passed over is a hidden or system one, which says so.
    if (failure.Kind == ErrorKind::AlreadyExists && asideFailure_) {
        failure = std::move(*asideFailure_);
    } else if (failure.Kind == ErrorKind::AlreadyExists) {
        Attempt([&] {
            if (!platform_.MatchFile(target_, HiddenOrSystemFiles).empty()) {
                failure.Reason = HiddenInTheWay;
            }
        });
    }
    outcome_.CopyFailure = std::move(failure.Reason);
    return false;
}

bool ControlReplacement::RegisterNewCopy() noexcept {
    outcome_.Registration = RunTool(ToolAction::Register, ToolMessages::AsUsual);
    return outcome_.Registration.Succeeded;
}

// The rollback's tool runs are housekeeping: the tool's message about the failed registration
// is the one the user sees. The control's own name is never queued for deletion at the restart,
// where a later run may have put a good copy under it: a new copy that a program holds goes
// under a name of the program's own first (a loaded DLL can be renamed), which also clears the
// way for the old copy.
void ControlReplacement::RemoveNewCopy() noexcept {
    RunTool(ToolAction::Unregister, ToolMessages::None);
    StepFailure failure;
    if (AttemptRetrying(
            platform_, [&] { platform_.DeleteFiles(target_); }, &failure) ||
        failure.Kind == ErrorKind::NotFound) {
        return;
    }
    std::wstring moved = MoveToTemporaryName(platform_, target_, target_, DeletedTag, nullptr);
    if (!moved.empty()) {
        DiscardCopy(platform_, target_, std::move(moved));
        return;
    }
    Attempt([&] { outcome_.Unremoved = target_; });
}

// An old copy that cannot be put back stays under its temporary name, which the report gives;
// whatever is at the target then is not registered in its place. One that is back is registered
// again where a tool run changed the registration, and a failure to is reported: the run must
// not claim what it did not check. Where no tool run ran (the tool could not be started), the
// old copy's registration is as it was.
void ControlReplacement::RestoreOldCopy() noexcept {
    if (aside_) {
        if (!aside_.Keep(Existing::Replace)) {
            return;
        }
        outcome_.Unremoved.clear(); // the new copy went with it
    }
    if (hadOldCopy_ && registrationTouched_) {
        const ToolRun again = RunTool(ToolAction::Register, ToolMessages::None);
        if (!again.Succeeded) {
            Attempt([&] { outcome_.RestoreFailure = again.Failure; });
        }
    }
}

ToolRun ControlReplacement::RunTool(ToolAction action, ToolMessages messages) noexcept {
    ToolRun run = tool_.RegisterControl(target_, action, messages);
    registrationTouched_ = registrationTouched_ || run.Started;
    return run;
}

} // namespace ocx
