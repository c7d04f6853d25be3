#pragma once

#include "platform/Platform.h"

namespace ocx {

// The facts about the session that the program runs in. What cannot be told counts against a
// user being there: a box that no one answers waits forever. Two facts count for a user when
// they cannot be read: the session's state, which a DLL outside the program's imports tells,
// and the system account, which a token that cannot be read is taken not to be.
SessionFacts CurrentSession();

} // namespace ocx
