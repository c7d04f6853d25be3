#include "platform/Win32Lock.h"

#include "platform/MessageWait.h"
#include "platform/UniqueHandle.h"
#include "platform/Win32Error.h"

#include <aclapi.h>

#include <array>
#include <vector>

namespace ocx {

namespace {

// Tries at making or opening the mutex, should it keep going away in between.
constexpr int OpenTries = 10;

class Win32Lock final : public HeldLock {
public:
    explicit Win32Lock(UniqueKernelHandle mutex) : mutex_(std::move(mutex)) {}
    Win32Lock(const Win32Lock&) = delete;
    Win32Lock& operator=(const Win32Lock&) = delete;
    Win32Lock(Win32Lock&&) = delete;
    Win32Lock& operator=(Win32Lock&&) = delete;
    // Should the release fail, the mutex is abandoned when the process ends, which frees it.
    ~Win32Lock() override { ::ReleaseMutex(mutex_.get()); }

private:
    UniqueKernelHandle mutex_;
};

// A new mutex is owned by the administrators, whichever account made it (an administrator's,
// or the system, which counts among them), so that every run trusts it. A standard user cannot
// make the administrators the owner of anything: a mutex of that name that one made first has
// that user as its owner, which gives it away.
HANDLE MakeMutex(const std::wstring& name) {
    std::array<BYTE, SECURITY_MAX_SID_SIZE> administrators{};
    DWORD size = static_cast<DWORD>(administrators.size());
    SECURITY_DESCRIPTOR descriptor{};
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), &descriptor, FALSE};
    if (::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators.data(), &size) ==
            FALSE ||
        ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) == FALSE ||
        ::SetSecurityDescriptorOwner(&descriptor, administrators.data(), FALSE) == FALSE) {
        return ::CreateMutexW(nullptr, FALSE, name.c_str());
    }
    const HANDLE mutex = ::CreateMutexW(&attributes, FALSE, name.c_str());
    // Not an administrator after all: then owned by this run's own account.
    return mutex != nullptr || ::GetLastError() != ERROR_INVALID_OWNER
               ? mutex
               : ::CreateMutexW(nullptr, FALSE, name.c_str());
}

UniqueKernelHandle MakeOrOpen(const std::wstring& name) {
    for (int tries = 0; tries < OpenTries; ++tries) {
        UniqueKernelHandle mutex(MakeMutex(name));
        if (mutex || ::GetLastError() != ERROR_ACCESS_DENIED) {
            return mutex;
        }
        // Made by a run under another account (a service's), whose rights let others wait and
        // read its owner only.
        mutex.reset(::OpenMutexW(SYNCHRONIZE | READ_CONTROL, FALSE, name.c_str()));
        if (mutex || ::GetLastError() != ERROR_FILE_NOT_FOUND) {
            return mutex;
        }
        // Gone between the two: made anew.
    }
    return UniqueKernelHandle();
}

bool IsOwnAccount(PSID sid) {
    HANDLE token = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) == FALSE) {
        return false;
    }
    const UniqueKernelHandle owned(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    return size != 0 &&
           ::GetTokenInformation(token, TokenUser, user.data(), size, &size) != FALSE &&
           ::EqualSid(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid, sid) != FALSE;
}

// The system, the administrators and this program's own account may hold runs up; a mutex of
// that name made first by anyone else is none of ours.
bool OwnedByTrustedAccount(HANDLE mutex) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const UniqueLocalMemory freed(descriptor);
    return owner != nullptr &&
           (::IsWellKnownSid(owner, WinLocalSystemSid) != FALSE ||
            ::IsWellKnownSid(owner, WinBuiltinAdministratorsSid) != FALSE || IsOwnAccount(owner));
}

} // namespace

std::unique_ptr<HeldLock> TakeMachineWideLock(const std::wstring& name,
                                              std::optional<std::chrono::seconds> limit) {
    UniqueKernelHandle mutex = MakeOrOpen(L"Global\\" + name);
    if (!mutex) {
        throw LastWin32Error();
    }
    if (!OwnedByTrustedAccount(mutex.get())) {
        throw Win32Error(ERROR_INVALID_OWNER);
    }
    const DWORD wait = limit ? static_cast<DWORD>(limit->count()) * 1000 : INFINITE;
    if (!WaitDispatching(mutex.get(), wait)) {
        return nullptr;
    }
    return std::make_unique<Win32Lock>(std::move(mutex));
}

} // namespace ocx
