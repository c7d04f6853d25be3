#include "platform/win32/MachineEnvironment.h"

#include "platform/win32/SystemFolder.h"
#include "platform/win32/SystemFunction.h"
#include "platform/win32/Win32Error.h"

namespace ocx {

MachineEnvironment::MachineEnvironment()
    : userenv_(LoadSystemLibrary(L"userenv.dll")),
      destroy_(FindFunction<DestroyFunction>(userenv_.get(), "DestroyEnvironmentBlock")) {
    if (!userenv_) {
        throw LastWin32Error();
    }
    using CreateFunction = BOOL(WINAPI*)(LPVOID*, HANDLE, BOOL);
    const auto create = FindFunction<CreateFunction>(userenv_.get(), "CreateEnvironmentBlock");
    if (create == nullptr || destroy_ == nullptr) {
        throw Win32Error(ERROR_PROC_NOT_FOUND);
    }
    // No token: the system's variables alone; nor the installer's own, which would be inherited.
    if (create(&block_, nullptr, FALSE) == FALSE) {
        throw LastWin32Error();
    }
}

MachineEnvironment::~MachineEnvironment() {
    destroy_(block_);
}

} // namespace ocx
