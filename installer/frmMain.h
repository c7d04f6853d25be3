#pragma once

#include "installer/ControlReplacement.h"
#include "installer/InstallerForm.h"

#include <string>

namespace ocx {

// The installer's one window object. Its load event runs the whole installation.
class frmMain final : public InstallerForm {
public:
    explicit frmMain(Platform& platform) noexcept : InstallerForm(platform) {}

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
    [[nodiscard]] std::optional<InstallResult> Result() const noexcept {
        const std::optional<int> status = ExitStatus();
        return status ? std::optional(static_cast<InstallResult>(*status)) : std::nullopt;
    }

private:
    // The run, with the replacement under the machine-wide lock; gives how it ended.
    InstallResult Run() noexcept;

    std::wstring CannotCopy();
    void ReportOutcome(const ReplacementOutcome& outcome) noexcept;
    void Report(const std::wstring& message, const std::wstring& reason = {},
                const ReplacementOutcome& outcome = {}) noexcept;
};

} // namespace ocx
