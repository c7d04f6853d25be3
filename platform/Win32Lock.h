#pragma once

#include "platform/Platform.h"

namespace ocx {

// Takes the named mutex of the global namespace, so that a service and every user's session
// see the same one, waiting with the thread's messages dispatched while another process holds
// it. One abandoned by a process that ended counts as free.
std::unique_ptr<HeldLock> TakeMachineWideLock(const std::wstring& name);

} // namespace ocx
