#pragma once

#include "platform/Platform.h"

namespace ocx {

// Takes the named mutex of the global namespace, so that a service and every user's session
// see the same one, waiting with the thread's messages dispatched while another process holds
// it, up to the limit if there is one (then it gives no lock). One abandoned by a process that
// ended counts as free. Fails for a mutex of that name that another user's account owns.
std::unique_ptr<HeldLock> TakeMachineWideLock(const std::wstring& name,
                                              std::optional<std::chrono::seconds> limit);

} // namespace ocx
