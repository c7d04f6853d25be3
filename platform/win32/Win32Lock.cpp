#include "platform/win32/Win32Lock.h"

#include "platform/win32/MessageWait.h"
#include "platform/win32/SystemFolder.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Error.h"

#include <sddl.h>

namespace ocx {

namespace {

// The lock lives in a folder of its own in the system folder, owned by the administrators, which
// only the system and the administrators may open, list or change, and nothing is inherited
// from above. The system folder lets no other account create a file or folder: so no other
// account can make the lock first. Nor can it open the lock at all, not even for its attributes
// alone (which anyone may do in a folder they can list, and which no sharing rule refuses), so
// it can neither hold it, nor keep it "being deleted", nor link to it from a folder of its own
// (which older Windows allowed with such a handle). The file stays, for the next run.
constexpr const wchar_t* LockAccess = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr const wchar_t* LockFolder = L"\\ocxsetup";
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

} // namespace

std::unique_ptr<HeldLock> TakeMachineWideLock(const std::wstring& name,
                                              std::optional<std::chrono::seconds> limit) {
    const std::wstring system = SystemFolderPath();
    if (system.empty()) {
        throw Win32Error(ERROR_PATH_NOT_FOUND);
    }
    const std::wstring folder = system + LockFolder;
    const std::wstring path = folder + L"\\" + name + L".lock";
    PSECURITY_DESCRIPTOR access = nullptr;
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(LockAccess, SDDL_REVISION_1, &access,
                                                               nullptr) == FALSE) {
        throw LastWin32Error();
    }
    const UniqueLocalMemory freed(access);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), access, FALSE};
    if (::CreateDirectoryW(folder.c_str(), &attributes) == FALSE &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
        throw LastWin32Error();
    }
    const ULONGLONG start = ::GetTickCount64();
    ULONGLONG deniedSince = 0; // when opens began to be refused; 0 while they are not
    for (;;) {
        // No sharing: while one run has it open, every other open for its contents fails.
        UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                            &attributes, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                            nullptr));
        if (file) {
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
