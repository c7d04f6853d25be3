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
    StepFailure failure;
    bool present = false;
    Attempt([&] { present = !platform_.MatchFile(FileSource, OrdinaryFiles).empty(); }, &failure);
    if (!present) {
        ReportMissingSource(failure.Reason);
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
    // Only now is an earlier working copy no longer the last one.
    Discard(aside_);
    for (std::wstring& earlier : earlier_) {
        Discard(earlier);
    }
    earlier_.clear();
    return InstallResult::Installed;
}

// Temporary copies of runs that were cut off (a forced log-off, a power cut) would stay for
// good. Each run clears the new copies they staged before it makes its own; an old copy that
// one set aside may be the last that worked, so it goes only once this run's copy has
// registered. The lock keeps other runs' copies out of reach, and a file that the program does
// not name is never touched.
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
            if (name.find(OldCopyTag) == std::wstring::npos) {
                Discard(path);
            } else {
                Attempt([&] { earlier_.push_back(path); });
            }
        }
    }
}

// The new copy goes in beside the target under a name of its own, before anything touches the
// old copy. A copy from read-only media must not stay read-only, or the next upgrade fails.
bool frmMain::StageNewCopy() noexcept {
    StepFailure failure;
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
        ReportCopyFailure(failure.Reason);
    }
    return staged;
}

// Unregistered, then renamed rather than deleted: a copy that a program has loaded can still be
// renamed, and the name keeps it for a rollback.
void frmMain::SetOldCopyAside() noexcept {
    Attempt([&] { RegisterControl(FileTarget, false); });
    StepFailure failure;
    if (MoveTarget(OldCopyTag, aside_, &failure)) {
        return;
    }
    // Nothing there after all (the target could not be looked at): nothing to register again.
    if (failure.Code == FileNotFound) {
        hadOldCopy_ = false;
    } else {
        asideFailure_ = std::move(failure);
    }
}

// Never over a file that was not set aside: that one would be lost with no way back.
bool frmMain::PutNewCopyInPlace() noexcept {
    StepFailure failure;
    if (AttemptRetrying(
            platform_, [&] { platform_.RenameFile(staged_, FileTarget, false); }, &failure)) {
        staged_.clear();
        return true;
    }
    Discard(staged_);
    RestoreOldCopy();
    // The old copy still in the way: why it could not be set aside is the reason.
    if (failure.Code == AlreadyExists && asideFailure_) {
        failure = std::move(*asideFailure_);
    }
    ReportCopyFailure(failure.Reason);
    return false;
}

bool frmMain::RegisterNewCopy() noexcept {
    registration_ = TryRegisterControl(FileTarget, true, ToolMessages::AsUsual);
    return registration_.Succeeded;
}

// The rollback's tool runs are housekeeping: the tool's message about the failed registration
// is the one the user sees. The control's own name is never queued for deletion at the restart,
// where a later run may have put a good copy under it: a new copy that a program holds goes
// under a name of the program's own first (a loaded DLL can be renamed), which also clears the
// way for the old copy.
void frmMain::RemoveNewCopy() noexcept {
    Attempt([&] { RegisterControl(FileTarget, false, ToolMessages::None); });
    StepFailure failure;
    if (AttemptRetrying(
            platform_, [&] { platform_.DeleteFiles(FileTarget); }, &failure) ||
        failure.Code == FileNotFound) {
        return;
    }
    std::wstring moved;
    if (MoveTarget(NewCopyTag, moved, nullptr)) {
        Discard(moved);
        return;
    }
    Attempt([&] { unremoved_ = FileTarget; });
}

// Renames the target to a temporary name of the tag's kind, made for it and given in `to`; when
// that fails, the name is removed again and `to` is empty.
bool frmMain::MoveTarget(std::wstring_view tag, std::wstring& to, StepFailure* failure) noexcept {
    if (Attempt(
            [&] {
                to = platform_.CreateUniqueFile(FileTarget + std::wstring(tag),
                                                std::wstring(TempExtension));
            },
            failure) &&
        AttemptRetrying(
            platform_, [&] { platform_.RenameFile(FileTarget, to, true); }, failure)) {
        return true;
    }
    Discard(to);
    return false;
}

// An old copy that cannot be put back stays under its temporary name, which the report gives;
// whatever is at the target then is not registered in its place. One that is back but does not
// register again is reported too: the run must not claim what it did not check.
void frmMain::RestoreOldCopy() noexcept {
    if (!aside_.empty()) {
        if (!AttemptRetrying(platform_, [&] { platform_.RenameFile(aside_, FileTarget, true); })) {
            return;
        }
        aside_.clear();
        unremoved_.clear(); // the new copy went with it
    }
    if (hadOldCopy_) {
        const ToolRun again = TryRegisterControl(FileTarget, true, ToolMessages::None);
        if (!again.Succeeded) {
            Attempt([&] { restoreFailure_ = again.Failure; });
        }
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
