#include "platform/Win32Lock.h"

#include "platform/MessageWait.h"
#include "platform/UniqueHandle.h"
#include "platform/Win32Error.h"

#include <sddl.h>

namespace ocx {

namespace {

// Only the system and the administrators may open the lock's contents, and nothing is
// inherited from the folder. The system folder itself lets no other account create a file: so
// no other account can make the lock first, or hold it. Anyone may open any file there for its
// attributes alone, which shares with every other open; were the lock deleted when let go,
// such a handle would keep it "being deleted", refusing every run: so the file stays.
constexpr const wchar_t* LockAccess = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)";
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

std::wstring LockPath(const std::wstring& name) {
    std::wstring folder(MAX_PATH, L'\0');
    const UINT length = ::GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    if (length == 0 || length >= folder.size()) {
        throw Win32Error(length == 0 ? ::GetLastError() : ERROR_BUFFER_OVERFLOW);
    }
    folder.resize(length);
    return folder + L"\\" + name + L".lock";
}

} // namespace

std::unique_ptr<HeldLock> TakeMachineWideLock(const std::wstring& name,
                                              std::optional<std::chrono::seconds> limit) {
    const std::wstring path = LockPath(name);
    PSECURITY_DESCRIPTOR access = nullptr;
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(LockAccess, SDDL_REVISION_1, &access,
                                                               nullptr) == FALSE) {
        throw LastWin32Error();
    }
    const UniqueLocalMemory freed(access);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), access, FALSE};
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
