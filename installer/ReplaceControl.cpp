// The replacement of the installed control, as one transaction: stage the new copy, set the old
// one aside, put the new one in place and register it; roll back when it does not register.
#include "installer/Attempt.h"
#include "installer/frmMain.h"

#include <algorithm>
#include <array>
#include <cwctype>

namespace ocx {

namespace {

// Hidden and system files, which a look for ordinary files passes over.
constexpr unsigned HiddenFiles = 0x2;
constexpr unsigned SystemFiles = 0x4;
constexpr unsigned HiddenOrSystemFiles = HiddenFiles | SystemFiles;

// The temporary names are the control's own followed by one of these tags, a unique part of
// eight hexadecimal digits and the extension, so that they say whose they are and which is
// which, and a later run can tell them from anything else: a new copy staged, an old copy set
// aside (maybe the last that worked), and a copy that is no one's any more, left to be deleted
// when the system restarts.
constexpr std::wstring_view NewCopyTag = L".new-";
constexpr std::wstring_view OldCopyTag = L".old-";
constexpr std::wstring_view DeletedTag = L".del-";
constexpr std::wstring_view TempExtension = L".tmp";
constexpr std::size_t UniqueDigits = 8;
static_assert(OldCopyTag.size() == NewCopyTag.size() && DeletedTag.size() == NewCopyTag.size(),
              "a temporary name's kind is read at one place and length");
// Names tried for a rename, should others have them already.
constexpr int NameTries = 16;

constexpr const wchar_t* HiddenInTheWay =
    L"A hidden or system file of that name is in the system folder.";

// The tag of a temporary copy that this program names, or nothing for any other file.
std::wstring_view TagOf(std::wstring_view name) {
    const std::wstring_view control = ControlFile.substr(1);
    const std::size_t tag = control.size();
    const std::size_t digits = tag + NewCopyTag.size();
    if (name.size() != digits + UniqueDigits + TempExtension.size() ||
        name.substr(0, tag) != control || name.substr(digits + UniqueDigits) != TempExtension ||
        !std::ranges::all_of(name.substr(digits, UniqueDigits), [](wchar_t digit) {
            return std::iswxdigit(static_cast<std::wint_t>(digit)) != 0;
        })) {
        return {};
    }
    constexpr std::array Tags{NewCopyTag, OldCopyTag, DeletedTag};
    const std::wstring_view kind = name.substr(tag, NewCopyTag.size());
    return std::ranges::find(Tags, kind) == Tags.end() ? std::wstring_view() : kind;
}

std::wstring_view NameOf(std::wstring_view path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

} // namespace

InstallResult frmMain::ReplaceControl() noexcept {
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
// registered, unless it is empty (no copy at all). A copy queued for deletion at the restart is
// no one's: it goes now if it can, at one try and silently, or else at the restart. The lock keeps
// other runs' copies out of reach, and a file that the program does not name is never touched.
void frmMain::RemoveLeftovers() noexcept {
    if (FileTarget.empty()) {
        return;
    }
    std::vector<std::wstring> names;
    Attempt(
        [&] { names = platform_.MatchFiles(FileTarget + L".*" + std::wstring(TempExtension)); });
    const std::size_t folder = FileTarget.size() - (ControlFile.size() - 1);
    for (const std::wstring& name : names) {
        const std::wstring_view tag = TagOf(name);
        std::wstring path;
        if (tag.empty() || !Attempt([&] { path = FileTarget.substr(0, folder) + name; })) {
            continue;
        }
        bool empty = false;
        if (tag == DeletedTag) {
            // Queued again, should the run that named it have been cut off before it could be.
            if (!Attempt([&] { platform_.DeleteFiles(path); })) {
                Attempt([&] { platform_.DeleteAtRestart(path); });
            }
        } else if (tag == NewCopyTag ||
                   (Attempt([&] { empty = platform_.FileSize(path) == 0; }) && empty)) {
            Discard(path);
        } else {
            Attempt([&] { earlier_.push_back(path); });
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
    TryRegisterControl(FileTarget, false, ToolMessages::AsUsual);
    StepFailure failure;
    if (MoveToTemporaryName(FileTarget, OldCopyTag, aside_, &failure)) {
        return;
    }
    // Nothing there after all (the target could not be looked at): nothing to register again.
    if (failure.Kind == ErrorKind::NotFound) {
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
    // The old copy still in the way: why it could not be set aside is the reason. A file in the
    // way that the look for an old copy passed over is a hidden or system one, which says so.
    if (failure.Kind == ErrorKind::AlreadyExists && asideFailure_) {
        failure = std::move(*asideFailure_);
    } else if (failure.Kind == ErrorKind::AlreadyExists) {
        Attempt([&] {
            if (!platform_.MatchFile(FileTarget, HiddenOrSystemFiles).empty()) {
                failure.Reason = HiddenInTheWay;
            }
        });
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
    TryRegisterControl(FileTarget, false, ToolMessages::None);
    StepFailure failure;
    if (AttemptRetrying(
            platform_, [&] { platform_.DeleteFiles(FileTarget); }, &failure) ||
        failure.Kind == ErrorKind::NotFound) {
        return;
    }
    std::wstring moved;
    if (MoveToTemporaryName(FileTarget, DeletedTag, moved, nullptr)) {
        Discard(moved);
        return;
    }
    Attempt([&] { unremoved_ = FileTarget; });
}

// Renames the file straight to a free temporary name of the tag's kind, given in `to`: nothing
// is made first, so at no moment is there more than the file itself. A name that another file
// has is passed over for the next.
bool frmMain::MoveToTemporaryName(const std::wstring& from, std::wstring_view tag, std::wstring& to,
                                  StepFailure* failure) noexcept {
    StepFailure why;
    for (int tries = 0; tries < NameTries; ++tries) {
        std::wstring name;
        if (!Attempt(
                [&] {
                    name = platform_.UniqueName(FileTarget + std::wstring(tag),
                                                std::wstring(TempExtension));
                },
                &why)) {
            break;
        }
        if (AttemptRetrying(
                platform_, [&] { platform_.RenameFile(from, name, false); }, &why)) {
            to = std::move(name);
            return true;
        }
        if (why.Kind != ErrorKind::AlreadyExists) {
            break;
        }
    }
    if (failure != nullptr) {
        *failure = std::move(why);
    }
    return false;
}

// An old copy that cannot be put back stays under its temporary name, which the report gives;
// whatever is at the target then is not registered in its place. One that is back is registered
// again where a tool run changed the registration, and a failure to is reported: the run must
// not claim what it did not check. Where no tool run ran (the tool could not be started), the
// old copy's registration is as it was.
void frmMain::RestoreOldCopy() noexcept {
    if (!aside_.empty()) {
        if (!AttemptRetrying(platform_, [&] { platform_.RenameFile(aside_, FileTarget, true); })) {
            return;
        }
        aside_.clear();
        unremoved_.clear(); // the new copy went with it
    }
    if (hadOldCopy_ && registrationTouched_) {
        const ToolRun again = TryRegisterControl(FileTarget, true, ToolMessages::None);
        if (!again.Succeeded) {
            Attempt([&] { restoreFailure_ = again.Failure; });
        }
    }
}

// Deletes a file of the program's own. One that a program still holds goes when the system
// restarts, under a name that says so, so that no later run takes it for a copy kept (should
// it not take that name either, under its own).
void frmMain::Discard(std::wstring& path) noexcept {
    if (path.empty()) {
        return;
    }
    Attempt([&] { platform_.ClearReadOnly(path); });
    if (!AttemptRetrying(platform_, [&] { platform_.DeleteFiles(path); })) {
        std::wstring queued;
        if (TagOf(NameOf(path)) == DeletedTag ||
            !MoveToTemporaryName(path, DeletedTag, queued, nullptr)) {
            queued.swap(path);
        }
        Attempt([&] { platform_.DeleteAtRestart(queued); });
    }
    path.clear();
}

} // namespace ocx
