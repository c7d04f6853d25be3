#pragma once

#include "installer/Attempt.h"
#include "installer/Constants.h"
#include "installer/ControlReplacement.h"
#include "installer/ToolRun.h"
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
    // The replacement's way to the registration tool. Final, and never deleted through its
    // base, whose destructor is protected.
    class Tool final : public ToolRunner { // NOLINT(cppcoreguidelines-virtual-class-destructor)
    public:
        explicit Tool(frmMain& form) : form_(form) {}
        ToolRun Run(const std::wstring& path, bool Register,
                    ToolMessages messages) noexcept override {
            return form_.TryRegisterControl(path, Register, messages);
        }

    private:
        frmMain& form_;
    };

    std::wstring SystemFolder();
    ToolRun RegisterControl(const std::wstring& path, bool Register, ToolMessages messages,
                            bool& started);
    ToolRun TryRegisterControl(const std::wstring& path, bool Register,
                               ToolMessages messages) noexcept;

    // The run, with the replacement under the machine-wide lock; gives how it ended.
    InstallResult Run() noexcept;

    static std::wstring LockFile();
    std::wstring CannotCopy();
    void ReportMissingSource(const std::wstring& reason) noexcept;
    void ReportUnusableLock(const std::wstring& system, const std::wstring& reason) noexcept;
    void ReportOutcome(const ReplacementOutcome& outcome) noexcept;
    void Report(const std::wstring& message, const std::wstring& reason = {},
                const ReplacementOutcome& outcome = {}) noexcept;
    [[nodiscard]] std::wstring Shown(const std::wstring& path) noexcept;
    void Tell() noexcept;

    Platform& platform_;
    bool attended_ = false;            // someone can answer a message box
    std::vector<std::wstring> report_; // what the run tells when it ends; nothing where empty
    std::optional<InstallResult> result_;
};

} // namespace ocx
