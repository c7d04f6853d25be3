#pragma once

#include "installer/ControlRemoval.h"
#include "installer/InstallerForm.h"

#include <string>

namespace ocx {

// The uninstaller's one window object. Its load event removes the installed control.
class frmRemove final : public InstallerForm {
public:
    explicit frmRemove(Platform& platform) noexcept : InstallerForm(platform) {}

    std::wstring FileTarget;

    // The load event: runs the removal once.
    void Form_Load() { RunRemove(); }

    // Unregisters the control in the system folder and deletes it, never leaving it half
    // removed, under the installations' machine-wide lock; it always ends by unloading the
    // window.
    void RunRemove() noexcept;

    // How the run ended; nothing before RunRemove has run.
    [[nodiscard]] std::optional<RemoveResult> Result() const noexcept {
        const std::optional<int> status = ExitStatus();
        return status ? std::optional(static_cast<RemoveResult>(*status)) : std::nullopt;
    }

private:
    RemoveResult Run() noexcept;
    void ReportOutcome(const RemovalOutcome& outcome);
};

} // namespace ocx
