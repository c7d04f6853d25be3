#pragma once

#include "installer/Attempt.h"
#include "platform/Platform.h"

#include <cassert>
#include <string>
#include <string_view>
#include <utility>

namespace ocx {

// The temporary names are the control's own followed by one of these tags, a unique part of
// eight hexadecimal digits and the extension, so that they say whose they are and which is
// which, and a later run can tell them from anything else: a new copy staged, an old copy set
// aside (maybe the last that worked), and a copy that is no one's any more, left to be deleted
// when the system restarts.
inline constexpr std::wstring_view NewCopyTag = L".new-";
inline constexpr std::wstring_view OldCopyTag = L".old-";
inline constexpr std::wstring_view DeletedTag = L".del-";
inline constexpr std::wstring_view TempExtension = L".tmp";

// The tag of a temporary copy that this program names, or nothing for any other file.
std::wstring_view TagOf(std::wstring_view name);

// Renames the file straight to a free temporary name of the tag's kind beside the target, and
// gives that name, or nothing (with why in `failure`). Nothing is made first, so at no moment is
// there more than the file itself; a name that another file has is passed over for the next.
std::wstring MoveToTemporaryName(Platform& platform, const std::wstring& target,
                                 const std::wstring& from, std::wstring_view tag,
                                 StepFailure* failure) noexcept;

// Where a discarded copy that a program still holds is left: nowhere where it was deleted.
struct Discarded {
    std::wstring LeftAs;    // its path, or nothing where it is gone
    bool AtRestart = false; // queued for deletion when the system restarts, or else left for the
                            // next run
};

// A temporary copy of the control beside it in the system folder, which the run owns until it
// keeps it under the control's name, discards it, or leaves it where it is for the report to
// name. Move-only. Every copy it owns must be kept, discarded or left for the report before it is
// dropped, so that none is lost or forgotten: a build with assertions checks it.
class TemporaryCopy {
public:
    // The target (frmMain's, through the replacement) outlives the copy. The path is moved in.
    // cppcheck-suppress passedByValue
    TemporaryCopy(Platform& platform, const std::wstring& target, std::wstring path = {}) noexcept
        : platform_(&platform), target_(&target), path_(std::move(path)) {}
    TemporaryCopy(TemporaryCopy&& other) noexcept
        : platform_(other.platform_), target_(other.target_),
          path_(std::exchange(other.path_, {})) {}
    TemporaryCopy& operator=(TemporaryCopy&&) = delete; // an owned copy is never dropped
    TemporaryCopy(const TemporaryCopy&) = delete;
    TemporaryCopy& operator=(const TemporaryCopy&) = delete;
    ~TemporaryCopy() { assert(path_.empty() && "a temporary copy dropped while still owned"); }

    // Takes on the copy at the path. Only for an owner of none: one it owned would be dropped.
    void Own(std::wstring path) noexcept { path_ = std::move(path); }

    // Whether it owns a copy.
    explicit operator bool() const noexcept { return !path_.empty(); }
    [[nodiscard]] const std::wstring& Path() const noexcept { return path_; }

    // Renames it to the control's name, trying again while another program has it for a
    // moment; a file that has that name already is replaced, or refuses it, as asked. Owns
    // nothing once it succeeds.
    bool Keep(Existing existing, StepFailure* failure = nullptr) noexcept;

    // Deletes it. One that a program still holds goes when the system restarts, under a name
    // that says so, so that no later run takes it for a copy kept; an old copy that cannot take
    // that name either stays as it is, any other goes under its own. Gives where one still held
    // is left. Owns nothing afterwards.
    Discarded Discard() noexcept;

    // Leaves it where it is, for the report: gives its path, and owns nothing afterwards.
    std::wstring Leave() noexcept { return std::exchange(path_, {}); }

private:
    Platform* platform_;
    const std::wstring* target_; // the control's name in the system folder
    std::wstring path_;          // empty once the copy is no longer owned
};

// Discards a temporary copy that no owner holds (one that a cut-off run left, or one just
// renamed to be deleted), as TemporaryCopy::Discard does.
Discarded DiscardCopy(Platform& platform, const std::wstring& target, std::wstring path) noexcept;

} // namespace ocx
