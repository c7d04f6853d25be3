#pragma once

#include "platform/Platform.h"

namespace ocx {

// The facts about the session that the program runs in. What cannot be told counts against a
// user being there: a box that no one answers waits forever. Only the session's state, which a
// DLL outside the program's imports tells, counts as a user at it when it cannot be asked.
SessionFacts CurrentSession();

} // namespace ocx
