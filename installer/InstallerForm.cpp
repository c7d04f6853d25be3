#include "installer/InstallerForm.h"

#include "platform/PlatformError.h"

#include <algorithm>

namespace ocx {

namespace {

constexpr std::size_t SystemFolderBufferSize = 255;
constexpr const wchar_t* MessageTitle = L"OCX Installation";
// After the user has answered the tool's box, the programs' box may be refused the front: it
// opens above other windows all the same, where it can be found.
constexpr unsigned Findable = MessageStyle::SetForeground | MessageStyle::Topmost;

// The lock's file, after the system folder: in a folder of the lock's own.
std::wstring LockFile() {
    return L"\\ocxsetup\\ocxsetup." + ControlName() + L".lock";
}

} // namespace

void InstallerForm::ReadSystemFolder() noexcept {
    StepFailure failure;
    if (!Attempt([&] { systemFolder_ = SystemFolder(); }, &failure)) {
        noSystemFolder_ = std::move(failure.Reason);
    }
}

std::wstring InstallerForm::SystemFolder() {
    std::string buffer(SystemFolderBufferSize, ' ');
    const unsigned count = platform_.GetSystemDirectoryA(buffer);
    // 0 means the system could not tell; a larger count than the buffer asks for more room.
    // Either way there is no folder, and a path built on one would point elsewhere.
    if (count == 0 || count > buffer.size()) {
        throw PlatformError(ErrorKind::Other, 0, L"The system folder could not be read.");
    }
    buffer.resize(count);
    return platform_.FromAnsi(buffer);
}

// Without the lock, as it must be, a run must not go on: two runs at once could undo each other's
// work.
std::optional<int> InstallerForm::TakeLock(std::unique_ptr<HeldLock>& lock,
                                           const std::wstring& failed,
                                           const wchar_t* undone) noexcept {
    std::optional<std::chrono::seconds> limit;
    if (!attended_) {
        limit = LockTimeLimit;
    }
    StepFailure failure{.Reason = noSystemFolder_};
    if (!systemFolder_.empty() &&
        Attempt([&] { lock = platform_.LockMachineWide(systemFolder_ + LockFile(), limit); },
                &failure)) {
        if (lock) {
            return std::nullopt;
        }
        Attempt([&] {
            Report({ControlName() + L" was not " + undone +
                    L": another installation is still running"});
        });
        return AnotherRunHeldTheLock;
    }
    Attempt([&] {
        const std::wstring where =
            systemFolder_.empty() ? std::wstring() : Shown(systemFolder_) + LockFile() + L" ";
        Report({failed, L"The installation lock " + where + L"cannot be used" +
                            (failure.Reason.empty() ? L"" : L": " + failure.Reason)});
    });
    return SafeguardMissing;
}

std::wstring InstallerForm::Shown(const std::wstring& path) noexcept {
    std::wstring shown;
    if (!Attempt([&] { shown = platform_.RealPath(path); })) {
        Attempt([&] { shown = path; });
    }
    return shown;
}

std::wstring InstallerForm::LeftUntilDeleted(const Discarded& left) {
    return L"left as " + Shown(left.LeftAs) +
           (left.AtRestart ? L" until the restart deletes it" : L" until the next run deletes it");
}

void InstallerForm::Report(std::vector<std::wstring> lines, unsigned style) noexcept {
    std::erase_if(lines, [](const std::wstring& line) { return line.empty(); });
    report_ = std::move(lines);
    style_ = style;
}

// A box where someone can answer it; otherwise one line on standard error, and the exit status
// tells the rest.
void InstallerForm::Tell() noexcept {
    std::wstring box;
    std::wstring line;
    if (report_.empty() || !Attempt([&] {
            for (const std::wstring& text : report_) {
                box += (box.empty() ? L"" : L"\r\n") + text;
                line += (line.empty() ? L"" : L": ") + text;
            }
        })) {
        return;
    }
    if (attended_) {
        Attempt([&] { platform_.ShowMessage(box, style_ | Findable, MessageTitle); });
    } else {
        Attempt([&] { platform_.WriteErrorLine(line); });
    }
}

} // namespace ocx
