#include "installer/frmMain.h"

#include "installer/Attempt.h"
#include "platform/PlatformError.h"

#include <vector>

namespace ocx {

namespace {

constexpr std::size_t SystemFolderBufferSize = 255;
constexpr const wchar_t* MessageTitle = L"OCX Installation";
constexpr unsigned MessageStyleError = 16; // an error icon and a single OK button
// After the user has answered the tool's box, the installer may not come to the front by
// itself: its box would open behind other windows, with no taskbar button.
constexpr unsigned MessageSetForeground = 0x10000;

} // namespace

void frmMain::RunInstall() noexcept {
    // One run at a time: a second one waits here, before it looks at anything, and goes on
    // when the first has ended. Without the lock, the run still goes ahead.
    std::unique_ptr<HeldLock> lock;
    Attempt([&] { lock = platform_.LockMachineWide(L"ocxsetup." + ControlName()); });
    // Where no one can answer a box, a box would wait forever: ask once, before anything.
    Attempt([&] { attended_ = platform_.UserCanAnswer(); });
    if (!attended_) {
        Attempt([&] { platform_.SilenceSystemErrors(); });
    }
    Attempt([&] { FileSource = platform_.ApplicationFolder() + std::wstring(ControlFile); });
    Attempt([&] { FileTarget = SystemFolder() + std::wstring(ControlFile); });

    result_ = ReplaceControl();
    Attempt([&] { platform_.UnloadWindow(); });
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

// The program's own folder out of reach (a mapped drive that an elevated run does not see, a
// share gone away) is no missing file: the message says why.
void frmMain::ReportMissingSource(const std::wstring& reason) noexcept {
    std::wstring message;
    if (Attempt([&] { message = L"Source file " + ControlName() + L" not found"; })) {
        Tell({message, reason});
    }
}

void frmMain::ReportCopyFailure(const std::wstring& reason) noexcept {
    std::wstring message;
    if (Attempt([&] { message = L"Cannot copy " + ControlName() + L" to " + FileTarget; })) {
        Tell({message, reason});
    }
}

// On a desktop the tool's own box has told the user already, unless the earlier copy could not
// be put back; where no one can answer, the line is all an administrator gets.
void frmMain::ReportRegistrationFailure() noexcept {
    if (attended_ && aside_.empty()) {
        return;
    }
    std::wstring message;
    if (Attempt([&] { message = ControlName() + L" did not register: " + toolFailure_; })) {
        Tell({message});
    }
}

// A box where someone can answer it; otherwise one line on standard error, and the exit status
// tells the rest. Empty lines are left out. An earlier copy that could not be put back in place
// is named last, so that no report leaves it unaccounted for.
void frmMain::Tell(std::initializer_list<std::wstring> lines) noexcept {
    std::wstring box;
    std::wstring line;
    if (!Attempt([&] {
            std::vector<std::wstring> texts(lines);
            if (!aside_.empty()) {
                texts.push_back(L"The earlier copy is kept as " + aside_);
            }
            for (const std::wstring& text : texts) {
                if (!text.empty()) {
                    box += (box.empty() ? L"" : L"\r\n") + text;
                    line += (line.empty() ? L"" : L": ") + text;
                }
            }
        })) {
        return;
    }
    if (attended_) {
        Attempt([&] {
            platform_.ShowMessage(box, MessageStyleError | MessageSetForeground, MessageTitle);
        });
    } else {
        Attempt([&] { platform_.WriteErrorLine(line); });
    }
}

} // namespace ocx
