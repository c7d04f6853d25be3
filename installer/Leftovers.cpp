#include "installer/Leftovers.h"

#include "installer/Attempt.h"
#include "installer/Constants.h"
#include "installer/TemporaryCopy.h"

namespace ocx {

std::vector<std::wstring> ClearLeftovers(Platform& platform, const std::wstring& target) noexcept {
    std::vector<std::wstring> earlier;
    if (target.empty()) {
        return earlier;
    }
    std::vector<std::wstring> names;
    Attempt([&] { names = platform.MatchFiles(target + L".*" + std::wstring(TempExtension)); });
    const std::size_t folder = target.size() - (ControlFile.size() - 1);
    for (const std::wstring& name : names) {
        const std::wstring_view tag = TagOf(name);
        std::wstring path;
        if (tag.empty() || !Attempt([&] { path = target.substr(0, folder) + name; })) {
            continue;
        }
        bool empty = false;
        if (tag == DeletedTag) {
            // Queued again, should the run that named it have been cut off before it could be.
            if (!Attempt([&] { platform.DeleteFiles(path); })) {
                Attempt([&] { platform.DeleteAtRestart(path); });
            }
        } else if (tag == NewCopyTag ||
                   (Attempt([&] { empty = platform.FileSize(path) == 0; }) && empty)) {
            DiscardCopy(platform, target, std::move(path));
        } else {
            Attempt([&] { earlier.push_back(std::move(path)); });
        }
    }
    return earlier;
}

void DiscardEarlierCopies(Platform& platform, const std::wstring& target,
                          std::vector<std::wstring>& earlier) noexcept {
    for (std::wstring& path : earlier) {
        DiscardCopy(platform, target, std::move(path));
    }
    earlier.clear();
}

} // namespace ocx
