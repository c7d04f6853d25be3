#include "installer/frmMain.h"

#include "platform/PlatformError.h"

namespace ocx {

namespace {

// Ordinary files only: no hidden, system or folder entries.
constexpr unsigned OrdinaryFiles = 0;
constexpr std::size_t SystemFolderBufferSize = 255;
constexpr const wchar_t* MessageTitle = L"OCX Installation";
constexpr unsigned MessageStyleError = 16; // an error icon and a single OK button

// Keeps the system's description of a failure; without memory for it, the text stays empty.
void KeepDescription(const PlatformError& error, std::wstring& description) noexcept {
    try {
        description = error.Description();
    } catch (...) {
        description.clear();
    }
}

// Runs one step under the resume-next policy: a failure anywhere inside abandons the rest of
// the step, and the caller goes on. Gives whether the step completed; the system's description
// of a failure goes to `failure` when one is asked for.
template <typename Step> bool Attempt(Step&& step, std::wstring* failure = nullptr) noexcept {
    try {
        step();
        return true;
    } catch (const PlatformError& error) {
        if (failure != nullptr) {
            KeepDescription(error, *failure);
        }
    } catch (...) {
        // Swallowed by design: the caller goes on.
    }
    return false;
}

std::wstring ControlName() {
    return std::wstring(ControlFile.substr(1));
}

// A message box's text as one line of a log.
std::wstring OneLine(std::wstring text) {
    for (std::size_t at = 0; (at = text.find(L"\r\n", at)) != std::wstring::npos;) {
        text.replace(at, 2, L": ");
    }
    return text;
}

} // namespace

void frmMain::RunInstall() noexcept {
    // Where no one can answer a box, a box would wait forever: ask once, before anything.
    Attempt([&] { attended_ = platform_.UserCanAnswer(); });
    Attempt([&] { FileSource = platform_.ApplicationFolder() + std::wstring(ControlFile); });
    // cppcheck-suppress throwInNoexceptFunction ; Attempt catches what the step throws
    Attempt([&] { FileTarget = SystemFolder() + std::wstring(ControlFile); });

    result_ = ReplaceControl();
    Attempt([&] { platform_.UnloadWindow(); });
}

InstallResult frmMain::ReplaceControl() noexcept {
    // A source that cannot be looked at counts as missing: the installed copy is kept.
    if (!IsPresent(FileSource, IfUnsearchable::Absent)) {
        ReportMissingSource();
        return InstallResult::SourceMissing;
    }
    hadOldCopy_ = IsPresent(FileTarget, IfUnsearchable::Present);
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
    Discard(aside_);
    return InstallResult::Installed;
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

// The new copy goes in beside the target under a name of its own, before anything touches the
// old copy. A copy from read-only media must not stay read-only, or the next upgrade fails.
bool frmMain::StageNewCopy() noexcept {
    std::wstring failure;
    const bool staged = Attempt(
        [&] {
            staged_ = platform_.NewTempFileBeside(FileTarget);
            platform_.CopyFileTo(FileSource, staged_);
            platform_.ClearReadOnly(staged_);
        },
        &failure);
    if (!staged) {
        Discard(staged_);
        ReportCopyFailure(failure);
    }
    return staged;
}

// Unregistered, then renamed rather than deleted: a copy that a program has loaded can still be
// renamed, and the name keeps it for a rollback.
void frmMain::SetOldCopyAside() noexcept {
    Attempt([&] { RegisterControl(FileTarget, false); });
    std::wstring aside;
    if (Attempt([&] { aside = platform_.NewTempFileBeside(FileTarget); }) &&
        Attempt([&] { platform_.RenameFile(FileTarget, aside, true); })) {
        aside_ = aside;
    } else {
        Discard(aside);
    }
}

// Never over a file that was not set aside: that one would be lost with no way back.
bool frmMain::PutNewCopyInPlace() noexcept {
    std::wstring failure;
    if (Attempt([&] { platform_.RenameFile(staged_, FileTarget, false); }, &failure)) {
        staged_.clear();
        return true;
    }
    Discard(staged_);
    RestoreOldCopy();
    ReportCopyFailure(failure);
    return false;
}

bool frmMain::RegisterNewCopy() noexcept {
    bool registered = false;
    Attempt([&] { registered = RegisterControl(FileTarget, true); });
    return registered;
}

// The rollback's tool runs are housekeeping: the tool's message about the failed registration
// is the one the user sees.
void frmMain::RemoveNewCopy() noexcept {
    Attempt([&] { RegisterControl(FileTarget, false, ToolMessages::None); });
    Attempt([&] { platform_.DeleteFiles(FileTarget); });
}

void frmMain::RestoreOldCopy() noexcept {
    if (!aside_.empty() && Attempt([&] { platform_.RenameFile(aside_, FileTarget, true); })) {
        aside_.clear();
    }
    if (hadOldCopy_) {
        Attempt([&] { RegisterControl(FileTarget, true, ToolMessages::None); });
    }
}

// Deletes a file of the program's own; one still in use goes when the system restarts.
void frmMain::Discard(std::wstring& path) noexcept {
    if (path.empty()) {
        return;
    }
    Attempt([&] { platform_.ClearReadOnly(path); });
    if (!Attempt([&] { platform_.DeleteFiles(path); })) {
        Attempt([&] { platform_.DeleteAtRestart(path); });
    }
    path.clear();
}

void frmMain::ReportMissingSource() noexcept {
    std::wstring message;
    if (Attempt([&] { message = L"Source file " + ControlName() + L" not found"; })) {
        Tell(message);
    }
}

void frmMain::ReportCopyFailure(const std::wstring& description) noexcept {
    std::wstring message;
    if (Attempt([&] {
            message = L"Cannot copy " + ControlName() + L" to " + FileTarget;
            if (!description.empty()) {
                message += L"\r\n" + description;
            }
        })) {
        Tell(message);
    }
}

// A box where someone can answer it; otherwise one line on standard error, and the exit status
// tells the rest.
void frmMain::Tell(const std::wstring& message) noexcept {
    if (attended_) {
        Attempt([&] { platform_.ShowMessage(message, MessageStyleError, MessageTitle); });
    } else {
        Attempt([&] { platform_.WriteErrorLine(OneLine(message)); });
    }
}

} // namespace ocx
