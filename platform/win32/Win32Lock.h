#pragma once

#include "platform/Platform.h"

namespace ocx {

// Takes the machine-wide lock of the name: the empty file "<name>.lock" in the folder
// "ocxsetup" of the system folder, which stays there, held open by one process at a time, so
// that a process that ended, however it ended, has let go of it. Waits with the thread's messages
// dispatched while another process holds it, up to the limit if there is one (then it gives no
// lock).
std::unique_ptr<HeldLock> TakeMachineWideLock(const std::wstring& name,
                                              std::optional<std::chrono::seconds> limit);

} // namespace ocx
