#include "platform/Win32Lock.h"

#include "platform/MessageWait.h"
#include "platform/UniqueHandle.h"
#include "platform/Win32Error.h"

namespace ocx {

namespace {

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

} // namespace

std::unique_ptr<HeldLock> TakeMachineWideLock(const std::wstring& name) {
    const std::wstring global = L"Global\\" + name;
    UniqueKernelHandle mutex(::CreateMutexW(nullptr, FALSE, global.c_str()));
    if (!mutex && ::GetLastError() == ERROR_ACCESS_DENIED) {
        // Made by a run under another account (a service's), whose rights let others wait only.
        mutex.reset(::OpenMutexW(SYNCHRONIZE, FALSE, global.c_str()));
    }
    if (!mutex) {
        throw LastWin32Error();
    }
    WaitDispatching(mutex.get(), INFINITE);
    return std::make_unique<Win32Lock>(std::move(mutex));
}

} // namespace ocx
