#pragma once

#include "platform/ObjectTrust.h"
#include "platform/win32/UniqueHandle.h"

#include <windows.h>

namespace ocx {

// The lock's own security: owned by the administrators, and only the system and the
// administrators let in, fully, with nothing taken in from the folder above.
class LockAccess {
public:
    LockAccess();

    // For a folder or file that the lock makes.
    [[nodiscard]] SECURITY_ATTRIBUTES* ForCreation() noexcept { return &attributes_; }

    // Makes the open folder or file trusted, taking it back first where it must be (see
    // TrustFor). The handle needs READ_CONTROL, WRITE_DAC and WRITE_OWNER. Fails, with the
    // description given, where it can never be trusted.
    void MakeTrusted(HANDLE object, bool folder, const wchar_t* wrongKind) const;

private:
    UniqueLocalMemory descriptor_;
    SECURITY_ATTRIBUTES attributes_{};
};

// The facts of an open folder or file; the handle needs READ_CONTROL.
ObjectFacts FactsOf(HANDLE object);

} // namespace ocx
