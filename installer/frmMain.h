#pragma once

#include "installer/Attempt.h"
#include "installer/Constants.h"
#include "platform/Platform.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ocx {

// The installer's one window object. Its load event runs the whole installation.
class frmMain {
public:
    explicit frmMain(Platform& platform) : platform_(platform) {}

    std::wstring FileSource;
    std::wstring FileTarget;

    // The load event: runs the installation once.
    void Form_Load() { RunInstall(); }

    // Puts the control beside the program into the system folder and has it registered, as
    // one transaction: the old copy is kept aside until the new one has registered, and is
    // put back when it does not. One run at a time on a machine; it always ends by unloading
    // the window.
    void RunInstall() noexcept;

    // How the run ended; nothing before RunInstall has run.
    [[nodiscard]] std::optional<InstallResult> Result() const noexcept { return result_; }

private:
    // Whether the registration tool may show its own messages.
    enum class ToolMessages { AsUsual, None };

    // How a run of the registration tool went.
    struct ToolRun {
        bool Succeeded = false; // it ended by itself with status 0
        bool Spoke = false;     // it ran with its own messages and ended by itself: its box told
        std::wstring Failure;   // why it did not succeed
    };

    std::wstring SystemFolder();
    ToolRun RegisterControl(const std::wstring& path, bool Register,
                            ToolMessages messages = ToolMessages::AsUsual);
    ToolRun TryRegisterControl(const std::wstring& path, bool Register,
                               ToolMessages messages) noexcept;

    // The run, with the replacement under the machine-wide lock; gives how it ended.
    InstallResult Run() noexcept;
    // The replacement itself, as one transaction; gives how it ended.
    InstallResult ReplaceControl() noexcept;
    void RemoveLeftovers() noexcept;
    bool StageNewCopy() noexcept;
    void SetOldCopyAside() noexcept;
    bool PutNewCopyInPlace() noexcept;
    bool RegisterNewCopy() noexcept;
    void RemoveNewCopy() noexcept;
    void RestoreOldCopy() noexcept;
    bool MoveToTemporaryName(const std::wstring& from, std::wstring_view tag, std::wstring& to,
                             StepFailure* failure) noexcept;
    void Discard(std::wstring& path) noexcept;

    void ReportMissingSource(const std::wstring& reason) noexcept;
    void ReportCopyFailure(const std::wstring& reason) noexcept;
    void ReportRegistrationFailure() noexcept;
    void Report(const std::wstring& message, const std::wstring& reason = {}) noexcept;
    [[nodiscard]] std::wstring Shown(const std::wstring& path) noexcept;
    void Tell() noexcept;

    Platform& platform_;
    bool attended_ = false;   // someone can answer a message box
    bool hadOldCopy_ = false; // a copy was installed (or assumed), so a rollback registers it
    bool registrationTouched_ = false; // a tool run ran: the registration is not as it was
    std::wstring staged_;              // the new copy under a temporary name, until it is in place
    std::wstring aside_; // the old copy under a temporary name, until discarded or restored
    std::optional<StepFailure> asideFailure_; // why the old copy could not be set aside
    std::vector<std::wstring> earlier_;       // old copies that cut-off runs left, kept till done
    ToolRun registration_;                    // the new copy's registration
    std::wstring restoreFailure_;             // why the old copy, put back, did not register again
    std::wstring unremoved_; // the new copy, which could not be taken off the control's name
    std::vector<std::wstring> report_; // what the run tells when it ends; nothing where empty
    std::optional<InstallResult> result_;
};

} // namespace ocx
