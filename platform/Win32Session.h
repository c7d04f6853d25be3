#pragma once

#include "platform/Platform.h"

namespace ocx {

// The facts about the session that the program runs in. What cannot be told counts against a
// user being there: a box that no one answers waits forever. Only the connection, which a DLL
// outside the program's imports tells, counts as there when it cannot be asked.
SessionFacts CurrentSession();

} // namespace ocx
