// The replacement of the installed control, as one transaction: stage the new copy, set the old
// one aside, put the new one in place and register it; roll back when it does not register.
#include "installer/Attempt.h"
#include "installer/frmMain.h"

#include <algorithm>
#include <cwctype>

namespace ocx {

namespace {

// Ordinary files only: no hidden, system or folder entries.
constexpr unsigned OrdinaryFiles = 0;

// The temporary names are the control's own followed by one of these tags, a unique part of
// eight hexadecimal digits and the extension, so that they say whose they are and which is
// which, and a later run can tell them from anything else.
constexpr std::wstring_view NewCopyTag = L".new-";
constexpr std::wstring_view OldCopyTag = L".old-";
constexpr std::wstring_view TempExtension = L".tmp";
constexpr std::size_t UniqueDigits = 8;

// Whether a file of the system folder is a temporary copy that this program names.
bool IsLeftover(std::wstring_view name) {
    const std::wstring control = ControlName();
    const std::size_t tag = control.size();
    const std::size_t digits = tag + NewCopyTag.size();
    if (name.size() != digits + UniqueDigits + TempExtension.size() ||
        name.substr(0, tag) != control || name.substr(digits + UniqueDigits) != TempExtension) {
        return false;
    }
    const std::wstring_view kind = name.substr(tag, NewCopyTag.size());
    if (kind != NewCopyTag && kind != OldCopyTag) {
        return false;
    }
    return std::ranges::all_of(name.substr(digits, UniqueDigits), [](wchar_t digit) {
        return std::iswxdigit(static_cast<std::wint_t>(digit)) != 0;
    });
}

} // namespace

InstallResult frmMain::ReplaceControl() noexcept {
    // A source that cannot be looked at counts as missing, and the message says why: the
    // installed copy is kept.
    std::wstring reason;
    bool present = false;
    Attempt([&] { present = !platform_.MatchFile(FileSource, OrdinaryFiles).empty(); }, &reason);
    if (!present) {
        ReportMissingSource(reason);
        return InstallResult::SourceMissing;
    }
    RemoveLeftovers();
    // A target that cannot be looked at counts as an old copy, which is then handled with care.
    hadOldCopy_ = true;
    Attempt([&] { hadOldCopy_ = !platform_.MatchFile(FileTarget, OrdinaryFiles).empty(); });
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
        ReportRegistrationFailure();
        return InstallResult::RegistrationFailed;
    }
    Discard(aside_);
    return InstallResult::Installed;
}

// Temporary copies of runs that were cut off (a forced log-off, a power cut) would stay for
// good: each run clears them before it makes its own. The lock keeps other runs' copies out of
// reach, and a file that the program does not name is never touched.
void frmMain::RemoveLeftovers() noexcept {
    if (FileTarget.empty()) {
        return;
    }
    std::vector<std::wstring> names;
    Attempt(
        [&] { names = platform_.MatchFiles(FileTarget + L".*" + std::wstring(TempExtension)); });
    const std::size_t folder = FileTarget.size() - ControlName().size();
    for (const std::wstring& name : names) {
        std::wstring path;
        if (IsLeftover(name) && Attempt([&] { path = FileTarget.substr(0, folder) + name; })) {
            Discard(path);
        }
    }
}

// The new copy goes in beside the target under a name of its own, before anything touches the
// old copy. A copy from read-only media must not stay read-only, or the next upgrade fails.
bool frmMain::StageNewCopy() noexcept {
    std::wstring failure;
    const bool staged = Attempt(
        [&] {
            staged_ = platform_.CreateUniqueFile(FileTarget + std::wstring(NewCopyTag),
                                                 std::wstring(TempExtension));
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
    if (Attempt([&] {
            aside = platform_.CreateUniqueFile(FileTarget + std::wstring(OldCopyTag),
                                               std::wstring(TempExtension));
        }) &&
        AttemptRetrying(platform_, [&] { platform_.RenameFile(FileTarget, aside, true); })) {
        aside_ = aside;
    } else {
        Discard(aside);
    }
}

// Never over a file that was not set aside: that one would be lost with no way back.
bool frmMain::PutNewCopyInPlace() noexcept {
    std::wstring failure;
    if (AttemptRetrying(
            platform_, [&] { platform_.RenameFile(staged_, FileTarget, false); }, &failure)) {
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
    std::wstring reason;
    if (!Attempt(
            [&] {
                toolFailure_ = RegisterControl(FileTarget, true);
                registered = toolFailure_.empty();
            },
            &reason)) {
        Attempt([&] {
            toolFailure_ = L"regsvr32 could not be run" + (reason.empty() ? L"" : L": " + reason);
        });
    }
    return registered;
}

// The rollback's tool runs are housekeeping: the tool's message about the failed registration
// is the one the user sees. With no old copy to go back over it, a new copy that a program
// holds goes at the next restart.
void frmMain::RemoveNewCopy() noexcept {
    Attempt([&] { RegisterControl(FileTarget, false, ToolMessages::None); });
    if (aside_.empty()) {
        std::wstring target = FileTarget;
        Discard(target);
    } else {
        AttemptRetrying(platform_, [&] { platform_.DeleteFiles(FileTarget); });
    }
}

// An old copy that cannot be put back stays under its temporary name, which the report gives;
// whatever is at the target then is not registered in its place.
void frmMain::RestoreOldCopy() noexcept {
    if (!aside_.empty()) {
        if (!AttemptRetrying(platform_, [&] { platform_.RenameFile(aside_, FileTarget, true); })) {
            return;
        }
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
    if (!AttemptRetrying(platform_, [&] { platform_.DeleteFiles(path); })) {
        Attempt([&] { platform_.DeleteAtRestart(path); });
    }
    path.clear();
}

} // namespace ocx
