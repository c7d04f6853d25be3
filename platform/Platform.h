#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace ocx {

// A native window handle, opaque to the portable code (an HWND on Windows).
using NativeWindow = void*;

// A program that the shell started, which can be waited for.
class LaunchedProcess {
public:
    LaunchedProcess() = default;
    LaunchedProcess(const LaunchedProcess&) = delete;
    LaunchedProcess& operator=(const LaunchedProcess&) = delete;
    LaunchedProcess(LaunchedProcess&&) = delete;
    LaunchedProcess& operator=(LaunchedProcess&&) = delete;
    virtual ~LaunchedProcess() = default;

    // Waits with no time limit until the program has ended, keeping the caller's window
    // responsive meanwhile, and gives the program's exit status.
    virtual unsigned long WaitForExit() = 0;
};

// The shell's answer to a launch.
struct ShellLaunch {
    // Above 32 when the program was started; 32 or less when the shell refused.
    std::intptr_t Result = 0;
    // The started program; empty when the shell refused or started none.
    std::unique_ptr<LaunchedProcess> Process;
};

inline constexpr std::intptr_t ShellLaunchRefusedLimit = 32;

// Everything the installer needs from the operating system. Operations raise PlatformError.
class Platform {
public:
    Platform() = default;
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;
    Platform(Platform&&) = delete;
    Platform& operator=(Platform&&) = delete;
    virtual ~Platform() = default;

    // The running program's folder, without a trailing backslash except at a drive's root.
    virtual std::wstring ApplicationFolder() = 0;

    // Writes the system folder into the buffer in the ANSI code page and gives the characters
    // written, the size needed (counting the terminating zero) when the buffer is too small,
    // or 0 when the system cannot tell.
    virtual unsigned GetSystemDirectoryA(std::span<char> buffer) = 0;

    // The name of the first ordinary file matching the path (wildcards allowed), or the empty
    // text. Read-only and archived files count; hidden, system and folder entries count only
    // where the attribute mask names them.
    virtual std::wstring MatchFile(const std::wstring& path, unsigned attributes) = 0;

    // Deletes every file matching the path; fails when none matches or one cannot be deleted.
    virtual void DeleteFiles(const std::wstring& path) = 0;

    // Copies the source over the target, replacing a file that is already there. The copy
    // keeps the source's attributes.
    virtual void CopyFileTo(const std::wstring& source, const std::wstring& target) = 0;

    // Creates an empty file under a new name of the program's own in the folder of the path,
    // and gives the new file's full path.
    virtual std::wstring NewTempFileBeside(const std::wstring& path) = 0;

    // Renames a file within its volume. An existing target is replaced only when asked for;
    // otherwise the rename fails. A file that a program has loaded can still be renamed.
    virtual void RenameFile(const std::wstring& from, const std::wstring& to, bool replace) = 0;

    // Clears the file's read-only attribute and keeps the others.
    virtual void ClearReadOnly(const std::wstring& path) = 0;

    // Has the file deleted when the system next restarts (for a file still in use).
    virtual void DeleteAtRestart(const std::wstring& path) = 0;

    // Starts a program through the shell (ShellExecuteExA), with 8-bit texts in the ANSI code
    // page, and gives the shell's answer with the started process, which can be waited for.
    virtual ShellLaunch ShellExecuteA(NativeWindow owner, const std::string& operation,
                                      const std::string& file, const std::string& parameters,
                                      const std::string& directory, int showCommand) = 0;

    // Whether anyone can answer a message box: false where the program runs unseen (a
    // service, or a window station that no one can see), where a box would wait forever.
    virtual bool UserCanAnswer() = 0;

    // Writes one line of text to the standard error handle, when one is open.
    virtual void WriteErrorLine(const std::wstring& text) = 0;

    // A modal message box; gives the button pressed.
    virtual int ShowMessage(const std::wstring& prompt, unsigned style,
                            const std::wstring& title) = 0;

    // The native handle of the installer's window; fails when it has none.
    virtual NativeWindow WindowHandle() = 0;

    // Destroys the installer's window; the program ends when no window is left.
    virtual void UnloadWindow() = 0;

    // Conversions at the two 8-bit calls, through the system's ANSI code page. Text that the
    // code page cannot hold exactly is a failure, never a look-alike path.
    virtual std::string ToAnsi(const std::wstring& text) = 0;
    virtual std::wstring FromAnsi(const std::string& text) = 0;
};

} // namespace ocx
