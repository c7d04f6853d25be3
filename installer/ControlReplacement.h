#pragma once

#include "installer/Attempt.h"
#include "installer/Constants.h"
#include "installer/RegistrationTool.h"
#include "installer/TemporaryCopy.h"
#include "platform/Platform.h"

#include <optional>
#include <string>
#include <vector>

namespace ocx {

// How a replacement ended: what happened, what failed and why, and what is left where.
struct ReplacementOutcome {
    InstallResult Result = InstallResult::CopyFailed;
    std::wstring CopyFailure;    // why the new copy could not be put in place
    ToolRun Registration;        // the new copy's registration
    std::wstring RestoreFailure; // why the old copy, put back, did not register again
    std::wstring Unremoved;      // the new copy, left unregistered under the control's name
    std::wstring KeptAside;      // the old copy, kept under its temporary name
    std::vector<std::wstring> KeptEarlier; // old copies that cut-off runs left, kept
    Discarded OldCopyInUse; // after an upgrade, where the old copy is left while still in use
};

// The replacement of the installed control, as one transaction: stage the new copy, set the old
// one aside, put the new one in place and register it; roll back when it does not register.
// It owns the temporary copies it makes; those that cut-off runs left are names until it
// discards them. What it leaves behind goes to its outcome.
class ControlReplacement {
public:
    // The paths outlive the replacement.
    ControlReplacement(Platform& platform, const std::wstring& source, const std::wstring& target,
                       RegistrationTool& tool)
        : platform_(platform), source_(source), target_(target), tool_(tool),
          staged_(platform, target_), aside_(platform, target_) {}

    // Runs it, once; the outcome lives as long as the replacement, which must be a named one.
    const ReplacementOutcome& Run() & noexcept;

private:
    InstallResult Replace() noexcept;
    bool StageNewCopy() noexcept;
    void SetOldCopyAside() noexcept;
    bool PutNewCopyInPlace() noexcept;
    bool RegisterNewCopy() noexcept;
    void RemoveNewCopy() noexcept;
    void RestoreOldCopy() noexcept;
    ToolRun RunTool(ToolAction action, ToolMessages messages) noexcept;

    Platform& platform_;
    const std::wstring& source_;
    const std::wstring& target_;
    RegistrationTool& tool_;
    bool hadOldCopy_ = false; // a copy was installed (or assumed), so a rollback registers it
    bool registrationTouched_ = false;        // a tool run ran: the registration is not as it was
    TemporaryCopy staged_;                    // the new copy, until it is in place
    TemporaryCopy aside_;                     // the old copy, until discarded or restored
    std::optional<StepFailure> asideFailure_; // why the old copy could not be set aside
    std::vector<std::wstring> earlier_;       // old copies that cut-off runs left, kept till done
    ReplacementOutcome outcome_;
};

} // namespace ocx
