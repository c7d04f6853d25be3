#include "installer/frmMain.h"

#include "installer/Messages.h"
#include "platform/PlatformError.h"

#include <algorithm>

namespace ocx {

namespace {

// Ordinary files only: no hidden, system or folder entries.
constexpr unsigned OrdinaryFiles = 0;
constexpr std::size_t SystemFolderBufferSize = 255;

// Runs one step under the resume-next policy: a failure anywhere inside abandons the rest of
// the step, and the caller goes on with the next one.
template <typename Step> void Attempt(Step&& step) noexcept {
    try {
        step();
    } catch (...) {
        // Swallowed by design: the next step runs.
    }
}

std::wstring ControlName() {
    return std::wstring(ControlFile.substr(1));
}

} // namespace

void frmMain::RunInstall() noexcept {
    Attempt([&] { FileSource = platform_.ApplicationFolder() + std::wstring(ControlFile); });
    // cppcheck-suppress throwInNoexceptFunction ; Attempt catches what the step throws
    Attempt([&] { FileTarget = SystemFolder() + std::wstring(ControlFile); });

    // A source that cannot be looked at counts as missing: the installed copy is kept.
    if (IsPresent(FileSource, IfUnsearchable::Absent)) {
        if (IsPresent(FileTarget, IfUnsearchable::Present)) {
            Attempt([&] { RegisterControl(FileTarget, false); });
            Attempt([&] { platform_.DeleteFiles(FileTarget); });
        }
        CopyControl();
        Attempt([&] { RegisterControl(FileTarget, true); });
    } else {
        ReportMissingSource();
    }

    Attempt([&] { platform_.UnloadWindow(); });
}

InstallResult frmMain::Result() const noexcept {
    switch (stage_) {
    case Stage::SourceMissing:
        return InstallResult::SourceMissing;
    case Stage::NotCopied:
        return InstallResult::CopyFailed;
    case Stage::Copied:
        break;
    }
    const bool registered = std::any_of(launches_.begin(), launches_.end(), [](const auto& l) {
        return l.Register && l.ExitStatus == 0UL;
    });
    return registered ? InstallResult::Installed : InstallResult::RegistrationFailed;
}

std::wstring frmMain::SystemFolder() {
    std::string buffer(SystemFolderBufferSize, ' ');
    const unsigned count = platform_.GetSystemDirectoryA(buffer);
    // 0 means the system could not tell; a larger count than the buffer asks for more room.
    // Either way there is no folder, and a path built on one would point elsewhere.
    if (count == 0 || count > buffer.size()) {
        throw PlatformError(0, L"The system folder could not be read.");
    }
    buffer.resize(count);
    return platform_.FromAnsi(buffer);
}

bool frmMain::IsPresent(const std::wstring& path, IfUnsearchable assume) noexcept {
    bool present = assume == IfUnsearchable::Present;
    Attempt([&] { present = !platform_.MatchFile(path, OrdinaryFiles).empty(); });
    return present;
}

void frmMain::CopyControl() noexcept {
    try {
        platform_.CopyFileTo(FileSource, FileTarget);
        stage_ = Stage::Copied;
    } catch (const PlatformError& error) {
        ReportCopyFailure(error.Description());
    } catch (...) {
        ReportCopyFailure({});
    }
}

void frmMain::ReportMissingSource() noexcept {
    stage_ = Stage::SourceMissing;
    std::wstring message;
    Attempt([&] { message = L"Source file " + ControlName() + L" not found"; });
    Attempt([&] { platform_.ShowMessage(message, MessageStyleError, MessageTitle); });
}

void frmMain::ReportCopyFailure(const std::wstring& description) noexcept {
    Attempt([&] {
        std::wstring message = L"Cannot copy " + ControlName() + L" to " + FileTarget;
        if (!description.empty()) {
            message += L"\r\n" + description;
        }
        platform_.ShowMessage(message, MessageStyleError, MessageTitle);
    });
}

} // namespace ocx
