#pragma once

#include "platform/Platform.h"

namespace ocx {

// Takes the machine-wide lock at the path: an empty file in a folder of its own, which stays
// there, held open by one process at a time, so that a process that ended, however it ended, has
// let go of it. Waits with the thread's messages dispatched while another process holds it, up to
// the limit if there is one (then it gives no lock). Fails where folder or file cannot be
// trusted.
std::unique_ptr<HeldLock> TakeMachineWideLock(const std::wstring& path,
                                              std::optional<std::chrono::seconds> limit);

} // namespace ocx
