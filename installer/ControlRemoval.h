#pragma once

#include "installer/Constants.h"
#include "installer/RegistrationTool.h"
#include "installer/TemporaryCopy.h"
#include "platform/Platform.h"

#include <string>
#include <vector>

namespace ocx {

// How a removal ended: what happened, what failed and why, and what is left where.
struct RemovalOutcome {
    RemoveResult Result = RemoveResult::NotRemoved;
    bool WasInstalled = true;     // there was a copy to remove (or one was assumed)
    std::wstring Failure;         // why it was not removed
    bool ToolToldTheUser = false; // the tool's own box told why it did not unregister
    std::wstring RestoreFailure;  // why, left in place, it did not register again
    Discarded LeftInUse;          // the file, still loaded by a program, under a name of its own
    std::vector<std::wstring> KeptEarlier; // old copies that cut-off runs left, kept
};

// The removal of the installed control, never half done: it is unregistered, then deleted, or,
// where a program has it loaded, renamed to be deleted at the restart; where the tool does not
// unregister it, or the file can be neither deleted nor renamed, it stays in place, registered
// again. The leftovers of cut-off runs go as a good installation clears them.
class ControlRemoval {
public:
    // The target outlives the removal.
    ControlRemoval(Platform& platform, const std::wstring& target, RegistrationTool& tool) noexcept
        : platform_(platform), target_(target), tool_(tool) {}

    // Runs it, once; the outcome lives as long as the removal, which must be a named one.
    const RemovalOutcome& Run() & noexcept;

private:
    RemoveResult Remove() noexcept;
    void RegisterAgain() noexcept;

    Platform& platform_;
    const std::wstring& target_;
    RegistrationTool& tool_;
    std::vector<std::wstring> earlier_; // old copies that cut-off runs left, kept till done
    RemovalOutcome outcome_;
};

} // namespace ocx
