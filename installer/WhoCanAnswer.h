#pragma once

#include "platform/Platform.h"

namespace ocx {

// Whether anyone can answer a message box: only on a window station that a user can see (not a
// service's), outside session 0, which no user has seen since Windows Vista, and in a session
// where a user is logged on and at it (not a logon screen, nor a session left disconnected).
// Elsewhere a box would wait forever. A run as the system's own account is a deployment tool's,
// even on a user's desktop: whoever sits there did not start it.
inline bool UserCanAnswer(const SessionFacts& session) {
    return !session.LocalSystem && session.StationVisible && session.Id != 0 &&
           (session.State == SessionState::Active || session.State == SessionState::Shadow);
}

} // namespace ocx
