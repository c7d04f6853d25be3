#include "installer/TemporaryCopy.h"

#include "installer/Constants.h"

#include <algorithm>
#include <array>
#include <cwctype>

namespace ocx {

namespace {

constexpr std::size_t UniqueDigits = 8;
static_assert(OldCopyTag.size() == NewCopyTag.size() && DeletedTag.size() == NewCopyTag.size(),
              "a temporary name's kind is read at one place and length");
// Names tried for a rename, should others have them already.
constexpr int NameTries = 16;

std::wstring_view NameOf(std::wstring_view path) {
    return path.substr(path.find_last_of(L'\\') + 1);
}

} // namespace

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

std::wstring MoveToTemporaryName(Platform& platform, const std::wstring& target,
                                 const std::wstring& from, std::wstring_view tag,
                                 StepFailure* failure) noexcept {
    StepFailure why;
    for (int tries = 0; tries < NameTries; ++tries) {
        std::wstring name;
        if (!Attempt(
                [&] {
                    name = platform.UniqueName(target + std::wstring(tag),
                                               std::wstring(TempExtension));
                },
                &why)) {
            break;
        }
        if (AttemptRetrying(
                platform, [&] { platform.RenameFile(from, name, Existing::Refuse); }, &why)) {
            return name;
        }
        if (why.Kind != ErrorKind::AlreadyExists) {
            break;
        }
    }
    if (failure != nullptr) {
        *failure = std::move(why);
    }
    return {};
}

bool TemporaryCopy::Keep(Existing existing, StepFailure* failure) noexcept {
    if (path_.empty() ||
        !AttemptRetrying(
            *platform_, [&] { platform_->RenameFile(path_, *target_, existing); }, failure)) {
        return false;
    }
    path_.clear();
    return true;
}

Discarded TemporaryCopy::Discard() noexcept {
    Discarded left;
    if (path_.empty()) {
        return left;
    }
    Attempt([&] { platform_->ClearReadOnly(path_); });
    if (!AttemptRetrying(*platform_, [&] { platform_->DeleteFiles(path_); })) {
        const std::wstring_view tag = TagOf(NameOf(path_));
        if (tag != DeletedTag) {
            left.LeftAs = MoveToTemporaryName(*platform_, *target_, path_, DeletedTag, nullptr);
        }
        // An old copy is never queued under its own name: a later run that fails before the
        // restart would name it as kept, and the restart would take it. One that cannot be
        // renamed stays as it is, for the next run to try again; a new copy, or one queued
        // already, is no one's under its own name too.
        if (left.LeftAs.empty()) {
            left.LeftAs = path_;
        }
        if (left.LeftAs != path_ || tag == NewCopyTag || tag == DeletedTag) {
            left.AtRestart = Attempt([&] { platform_->DeleteAtRestart(left.LeftAs); });
        }
    }
    path_.clear();
    return left;
}

Discarded DiscardCopy(Platform& platform, const std::wstring& target, std::wstring path) noexcept {
    return TemporaryCopy(platform, target, std::move(path)).Discard();
}

} // namespace ocx
