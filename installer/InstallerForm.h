#pragma once

#include "installer/Attempt.h"
#include "installer/Constants.h"
#include "installer/TemporaryCopy.h"
#include "installer/WhoCanAnswer.h"
#include "platform/Platform.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ocx {

// What the programs' window objects share. Each asks once, before anything, whether anyone can
// answer; works on the control under the machine-wide lock; and tells how its run ended in one
// report, once the lock is let go, in a box where someone can answer and otherwise in one line
// on standard error. The load event runs it all once and ends by unloading the window.
class InstallerForm {
public:
    InstallerForm(const InstallerForm&) = delete;
    InstallerForm& operator=(const InstallerForm&) = delete;
    InstallerForm(InstallerForm&&) = delete;
    InstallerForm& operator=(InstallerForm&&) = delete;

    // The run's exit status; nothing before the load event has run.
    [[nodiscard]] std::optional<int> ExitStatus() const noexcept { return result_; }

protected:
    explicit InstallerForm(Platform& platform) noexcept : platform_(platform) {}
    ~InstallerForm() = default;

    // Runs the program's work once, between asking who can answer and telling the report, and
    // ends by unloading the window. The work gives the exit status.
    template <typename Work> void RunOnce(Work&& work) noexcept {
        // Where no one can answer, a box would wait forever, and so would a run waiting for the
        // lock: ask once, before anything.
        Attempt([&] { attended_ = UserCanAnswer(platform_.Session()); });
        if (!attended_) {
            Attempt([&] { platform_.SilenceSystemErrors(); });
        }
        result_ = work();
        // The lock is free again: a box left unanswered holds up no other run.
        Tell();
        Attempt([&] { platform_.UnloadWindow(); });
    }

    // Reads the system folder into systemFolder_, once (see SystemFolder).
    void ReadSystemFolder() noexcept;

    // Takes the machine-wide lock in the system folder: another run is waited for, as long as it
    // takes where someone can answer, else up to the time limit. Where the run must not go on,
    // gives its exit status, having reported why: `failed` heads the report of a lock that cannot
    // be used, `undone` says what another run's lock kept from being done ("installed").
    std::optional<int> TakeLock(std::unique_ptr<HeldLock>& lock, const std::wstring& failed,
                                const wchar_t* undone) noexcept;

    // The path where the file really is, for people: a 32-bit program's system32 may be another
    // folder.
    [[nodiscard]] std::wstring Shown(const std::wstring& path) noexcept;

    // Where a file still in use is left, and what deletes it: "left as <path> until ...".
    [[nodiscard]] std::wstring LeftUntilDeleted(const Discarded& left);

    // Sets the run's one report: its lines, empty ones left out, and the style of its box.
    void Report(std::vector<std::wstring> lines, unsigned style = MessageStyle::Error) noexcept;

    Platform& platform_;
    bool attended_ = false;     // someone can answer a message box
    std::wstring systemFolder_; // the system folder, once read; empty where it could not be

private:
    std::wstring SystemFolder();
    void Tell() noexcept;

    std::wstring noSystemFolder_; // why the system folder could not be read

    std::vector<std::wstring> report_; // what the run tells when it ends; nothing where empty
    unsigned style_ = MessageStyle::Error;
    std::optional<int> result_;
};

} // namespace ocx
