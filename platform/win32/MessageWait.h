#pragma once

#include <windows.h>

namespace ocx {

// Waits until the object (a process) is signalled or the time has passed, dispatching the
// thread's messages meanwhile, so that its windows never block a program or a broadcast that
// sends them messages. Without an object, it waits for the time alone. Gives whether the object
// was signalled.
bool WaitDispatching(HANDLE object, DWORD milliseconds);

} // namespace ocx
