#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace ocx {

// The control's file name, with the backslash that joins it to a folder.
inline constexpr std::wstring_view ControlFile = L"\\morvantel.ocx";

// The control's file name alone.
inline std::wstring ControlName() {
    return std::wstring(ControlFile.substr(1));
}

// Ordinary files only: no hidden, system or folder entries.
inline constexpr unsigned OrdinaryFiles = 0;

// How long an unattended run lets the registration tool run before ending it.
inline constexpr std::chrono::minutes ToolTimeLimit{5};

// How long an unattended run waits for another run to end: longer than any run where no one
// answers can take (four tool runs at their limit, and the retries of its renames and deletes).
inline constexpr std::chrono::minutes LockTimeLimit{30};

// How a run ended, as the program's exit status. After a failure the old copy is back in place
// as it was, unless the report names where it is kept instead.
enum class InstallResult : int {
    Installed = 0,          // in place, and the registration tool ended with status 0
    SourceMissing = 1,      // no control beside the program: nothing changed
    CopyFailed = 2,         // the control could not be put into the system folder
    RegistrationFailed = 3, // the new copy did not register, and was removed unless the report
                            // names where it is left
    // Windows Installer's "another installation is already in progress", which deployment tools
    // retry: an unattended run gave up waiting for another run, and changed nothing.
    AnotherInstallRunning = 1618,
};

// How an uninstall ended, as its exit status: statuses of its own, each with one meaning, never
// the registration tool's passed on.
enum class RemoveResult : int {
    Removed = 0,         // unregistered and deleted (at the restart, where a program has it
                         // loaded), or there was nothing installed to remove
    NotRemoved = 2,      // the file could not be removed, or the lock could not be used: the
                         // control is in place and registered, unless the report says otherwise
    NotUnregistered = 3, // the registration tool did not unregister it: it is in place, and
                         // registered again unless the report says otherwise
    AnotherInstallRunning = 1618, // as for an installation
};

// How a run of either program ends that could not have a safeguard (the lock as it must be, the
// DLL search restricted to the system folder), or that another run's lock kept waiting too
// long: with nothing touched.
inline constexpr int SafeguardMissing = 2;
inline constexpr int AnotherRunHeldTheLock = 1618;
static_assert(SafeguardMissing == static_cast<int>(InstallResult::CopyFailed) &&
              SafeguardMissing == static_cast<int>(RemoveResult::NotRemoved) &&
              AnotherRunHeldTheLock == static_cast<int>(InstallResult::AnotherInstallRunning) &&
              AnotherRunHeldTheLock == static_cast<int>(RemoveResult::AnotherInstallRunning));

} // namespace ocx
