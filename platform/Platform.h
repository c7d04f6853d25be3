#pragma once

#include "platform/Interface.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace ocx {

// A native window handle, opaque to the portable code (an HWND on Windows).
using NativeWindow = void*;

// How a wait for a started program ended.
struct ProcessEnd {
    enum Reason {
        Exited,       // it ended by itself, with the status below
        ShowedWindow, // it showed a window that stayed, and was ended
        TimedOut,     // it was still running at the time limit, and was ended
    };
    Reason How = Exited;
    unsigned long Status = 0;
};

// What a rename does with a file that already has the new name: the rename fails, or replaces it.
enum class Existing { Refuse, Replace };

// How a started program's first window is shown, in the system's own numbers (checked against
// them on Windows).
enum class WindowShow : int {
    Hidden = 0,
    Normal = 1,
};

// What to start: a program by its full path, so that no search path, file association or shell
// decides what runs.
struct LaunchOptions {
    std::wstring Program;                        // the program's full path
    std::wstring Arguments;                      // its command line after its own name
    std::wstring Folder;                         // its current folder
    WindowShow ShowCommand = WindowShow::Normal; // how its first window is shown
};

// A started program. It is started held, and runs once resumed: in between, it can be put
// together with whatever it will start. One that is never resumed is ended with its owner.
class LaunchedProcess : public Interface {
public:
    // Makes the program and every program it starts one group (a job), which a limited wait
    // watches and ends as one. Fails where no group can be made or joined.
    virtual void KeepWithItsChildren() = 0;

    // Lets the held program run.
    virtual void Resume() = 0;

    // Waits until the program has ended, keeping the caller's window responsive meanwhile.
    // Without a limit it waits as long as the program runs. With one, the program (with its
    // group) is ended once a visible top-level window of the group has stayed for the grace
    // period (a box that waits for an answer, not a splash that goes by itself), or once the
    // limit has passed. The programs of the group outlive one that ends by itself.
    virtual ProcessEnd WaitForExit(std::optional<std::chrono::seconds> limit) = 0;
};

// A lock held until destroyed.
class HeldLock : public Interface {};

// How a session is in use, as the system tells it, in the system's own order.
enum class SessionState {
    Active,       // a user is logged on and at it
    Connected,    // a client is connected, but no one has logged on (a logon screen)
    ConnectQuery, // a client is being connected
    Shadow,       // a user is logged on, and is watching another session from it
    Disconnected, // the user has gone, leaving the session running
    Idle,
    Listen,
    Reset,
    Down,
    Init,
};

// What decides whether anyone can answer a message box.
struct SessionFacts {
    bool StationVisible = false; // the window station is one that a user can see
    unsigned long Id = 0;        // the session: 0 is the services' own, which no one sees
    SessionState State = SessionState::Disconnected;
    bool LocalSystem = false; // the program runs as the system's own account, never a user's
};

// Attributes that a look for files may admit besides ordinary files, in the system's own numbers
// (checked against them on Windows).
namespace FileAttributes {
inline constexpr unsigned Hidden = 0x2;
inline constexpr unsigned System = 0x4;
} // namespace FileAttributes

// The styles of a message box, in the system's own numbers (checked against them on Windows).
namespace MessageStyle {
inline constexpr unsigned Error = 0x10;       // the error icon, and a single OK button
inline constexpr unsigned Information = 0x40; // the information icon, and a single OK button
inline constexpr unsigned SetForeground = 0x10000;
inline constexpr unsigned Topmost = 0x40000; // above other windows
} // namespace MessageStyle

// Everything the installer needs from the operating system. Operations raise PlatformError.
class Platform : public Interface {
public:
    // The running program's folder, without a trailing backslash except at a drive's root.
    virtual std::wstring ApplicationFolder() = 0;

    // Writes the system folder into the buffer in the ANSI code page and gives the characters
    // written, the size needed (counting the terminating zero) when the buffer is too small,
    // or 0 when the system cannot tell.
    virtual unsigned GetSystemDirectoryA(std::span<char> buffer) = 0;

    // The name of the first ordinary file matching the path (wildcards allowed), or the empty
    // text. Read-only and archived files count; hidden, system and folder entries count only
    // where the attribute mask names them. Fails where the folder is not there or cannot be
    // searched.
    virtual std::wstring MatchFile(const std::wstring& path, unsigned attributes) = 0;

    // Deletes every file matching the path; fails when none matches or one cannot be deleted.
    virtual void DeleteFiles(const std::wstring& path) = 0;

    // Copies the source over the target, replacing a file that is already there. The copy
    // keeps the source's attributes.
    virtual void CopyFileTo(const std::wstring& source, const std::wstring& target) = 0;

    // The names of the ordinary files matching the path (wildcards allowed), in any order.
    virtual std::vector<std::wstring> MatchFiles(const std::wstring& path) = 0;

    // Creates an empty file named the prefix (a full path), eight hexadecimal digits and the
    // suffix, never over a file that exists, and gives its full path.
    virtual std::wstring CreateUniqueFile(const std::wstring& prefix,
                                          const std::wstring& suffix) = 0;

    // A name of the prefix, eight hexadecimal digits and the suffix, another at each call;
    // whether a file has it already is left to the operation that uses it.
    virtual std::wstring UniqueName(const std::wstring& prefix, const std::wstring& suffix) = 0;

    // The size of the file in bytes.
    virtual std::uint64_t FileSize(const std::wstring& path) = 0;

    // Renames a file within its volume. A file that a program has loaded can still be renamed.
    virtual void RenameFile(const std::wstring& from, const std::wstring& to,
                            Existing existing) = 0;

    // Clears the file's read-only attribute and keeps the others.
    virtual void ClearReadOnly(const std::wstring& path) = 0;

    // Has the file deleted when the system next restarts (for a file still in use), queued
    // under the name the file really has, wherever the path was redirected.
    virtual void DeleteAtRestart(const std::wstring& path) = 0;

    // The path under which the file really is, for a message: wherever the system redirects the
    // path (a 32-bit program's system32 is SysWOW64 on 64-bit Windows). A file that is not there
    // is named in its folder's real path.
    virtual std::wstring RealPath(const std::wstring& path) = 0;

    // Waits for the time given, keeping the caller's window responsive meanwhile.
    virtual void Pause(std::chrono::milliseconds time) = 0;

    // Takes the machine-wide lock, the file at the path in a folder of the lock's own, waiting,
    // with the caller's window responsive, while another process holds it: as long as it takes,
    // or up to the limit, after which it gives no lock. A lock left by a process that ended is
    // free. Only the system and the administrators can make, hold or wait on it, so no other
    // account can hold runs up or let two overlap: a folder or file in the way that is not so is
    // made so first. Fails where there is no such lock to be had.
    virtual std::unique_ptr<HeldLock>
    LockMachineWide(const std::wstring& path, std::optional<std::chrono::seconds> limit) = 0;

    // Starts a program, held (see LaunchedProcess). Fails where it cannot be started.
    virtual std::unique_ptr<LaunchedProcess> Launch(const LaunchOptions& options) = 0;

    // The facts about the session that the program runs in.
    virtual SessionFacts Session() = 0;

    // Keeps the system from showing its own boxes for critical errors and faults, in this
    // program and in the programs it starts, which inherit the setting.
    virtual void SilenceSystemErrors() = 0;

    // Writes one line of text to the standard error handle, when one is open.
    virtual void WriteErrorLine(const std::wstring& text) = 0;

    // A modal message box owned by no window, so that it has a taskbar button of its own; gives
    // the button pressed.
    virtual int ShowMessage(const std::wstring& prompt, unsigned style,
                            const std::wstring& title) = 0;

    // The native handle of the installer's window; fails when it has none.
    virtual NativeWindow WindowHandle() = 0;

    // Destroys the installer's window; the program ends when no window is left.
    virtual void UnloadWindow() = 0;

    // The conversion at the one 8-bit call, through the system's ANSI code page. Text that is
    // not valid in the code page is a failure, never a look-alike path.
    virtual std::wstring FromAnsi(const std::string& text) = 0;
};

} // namespace ocx
