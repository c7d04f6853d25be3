#pragma once

#include "platform/Platform.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ocx {

// The control's file name, with the backslash that joins it to a folder.
inline constexpr std::wstring_view ControlFile = L"\\morvantel.ocx";

// How a run ended, as the program's exit status.
enum class InstallResult : int {
    Installed = 0,          // copied, and the registration tool ended with status 0
    SourceMissing = 1,      // no control beside the program: nothing changed
    CopyFailed = 2,         // the control could not be copied into the system folder
    RegistrationFailed = 3, // copied, but the tool could not start or reported a failure
};

// One launch of the registration tool: the tool's exit status, or none when the shell refused.
struct LaunchOutcome {
    bool Register = false;
    std::optional<unsigned long> ExitStatus;
};

// The installer's one window object. Its load event runs the whole installation.
class frmMain {
public:
    explicit frmMain(Platform& platform) : platform_(platform) {}

    std::wstring FileSource;
    std::wstring FileTarget;

    // The load event: runs the installation once.
    void Form_Load() { RunInstall(); }

    // Puts the control beside the program into the system folder and has it registered.
    // Every step that fails is abandoned and the next one runs; it always ends by unloading.
    void RunInstall() noexcept;

    [[nodiscard]] InstallResult Result() const noexcept;
    [[nodiscard]] const std::vector<LaunchOutcome>& Launches() const noexcept { return launches_; }

private:
    enum class Stage { NotCopied, SourceMissing, Copied };
    // What a search that fails counts as.
    enum class IfUnsearchable { Absent, Present };

    std::wstring SystemFolder();
    void RegisterControl(const std::wstring& path, bool Register);

    bool IsPresent(const std::wstring& path, IfUnsearchable assume) noexcept;
    void CopyControl() noexcept;
    void ReportMissingSource() noexcept;
    void ReportCopyFailure(const std::wstring& description) noexcept;

    Platform& platform_;
    Stage stage_ = Stage::NotCopied;
    std::vector<LaunchOutcome> launches_;
};

} // namespace ocx
