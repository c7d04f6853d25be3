#include "platform/win32/Win32Lock.h"

#include "platform/win32/FileSearch.h"
#include "platform/win32/LockAccess.h"
#include "platform/win32/MessageWait.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Error.h"

namespace ocx {

namespace {

// The lock lives in a folder of its own, owned by the administrators, which only the system and
// the administrators may open, list or change, and nothing is inherited from above. The system
// folder lets no other account create a file or folder: so no other account can make the lock
// first. Nor can it open the lock at all, not even for its attributes alone (which anyone may do
// in a folder they can list, and which no sharing rule refuses), so it can neither hold it, nor
// keep it "being deleted", nor link to it from a folder of its own (which older Windows allowed
// with such a handle). A folder or file of that name that is not so (made by hand, restored from
// a backup) is made so, or never used. Folder and file stay, for the next run.
constexpr const wchar_t* NotAFolder = L"Its folder is a file or a link, not a plain folder.";
constexpr const wchar_t* NotAFile = L"It is a folder or a link, not a plain file.";
// What the lock needs to make sure of an object, and to take it back.
constexpr DWORD Trusting = READ_CONTROL | WRITE_DAC | WRITE_OWNER;
// Opened as itself: a link or junction is never followed, and a folder opens too, to be refused.
constexpr DWORD AsItself = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
// How often a waiting run tries the lock again.
constexpr DWORD RetryMilliseconds = 100;
// A lock file that an administrator has just deleted refuses every open until it is gone;
// refused for longer, it is not ours to have.
constexpr ULONGLONG DeletingMilliseconds = 5000;

class FileLock final : public HeldLock {
public:
    explicit FileLock(UniqueFileHandle file) : file_(std::move(file)) {}

private:
    UniqueFileHandle file_;
};

// The lock's folder, made where it is missing, open and trusted. Only the system and the
// administrators may rename or replace it in the system folder, so the lock's file opened in it
// next is in this folder.
UniqueFileHandle TrustedFolder(const std::wstring& folder, LockAccess& access) {
    if (::CreateDirectoryW(folder.c_str(), access.ForCreation()) == FALSE &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
        throw LastWin32Error();
    }
    UniqueFileHandle opened(::CreateFileW(folder.c_str(), Trusting | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, AsItself, nullptr));
    if (!opened) {
        throw LastWin32Error();
    }
    access.MakeTrusted(opened.get(), true, NotAFolder);
    return opened;
}

} // namespace

std::unique_ptr<HeldLock> TakeMachineWideLock(const std::wstring& path,
                                              std::optional<std::chrono::seconds> limit) {
    const std::wstring folder = FolderOf(path);
    // With no folder the system would pick the current one: never there.
    if (folder.size() < 2) {
        throw Win32Error(ERROR_PATH_NOT_FOUND);
    }
    LockAccess access;
    const UniqueFileHandle place = TrustedFolder(folder.substr(0, folder.size() - 1), access);
    const ULONGLONG start = ::GetTickCount64();
    ULONGLONG deniedSince = 0; // when opens began to be refused; 0 while they are not
    for (;;) {
        // No sharing: while one run has it open, every other open for its contents fails. Read
        // alone: a read-only attribute refuses nothing.
        UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ | Trusting, 0,
                                            access.ForCreation(), OPEN_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL | AsItself, nullptr));
        if (file) {
            access.MakeTrusted(file.get(), false, NotAFile);
            return std::make_unique<FileLock>(std::move(file));
        }
        const DWORD error = ::GetLastError();
        const ULONGLONG now = ::GetTickCount64();
        if (error == ERROR_ACCESS_DENIED) {
            deniedSince = deniedSince == 0 ? now : deniedSince;
            if (now - deniedSince >= DeletingMilliseconds) {
                throw Win32Error(error);
            }
        } else if (error == ERROR_SHARING_VIOLATION) {
            deniedSince = 0;
        } else {
            throw Win32Error(error);
        }
        if (limit && now - start >= static_cast<ULONGLONG>(limit->count()) * 1000) {
            return nullptr;
        }
        WaitDispatching(nullptr, RetryMilliseconds);
    }
}

} // namespace ocx
