#pragma once

namespace ocx {

// The exit status of a run that the runtime had to end (an exception where none may pass):
// distinct from every installation result, so that no one reads it as one.
inline constexpr int AbnormalEndStatus = 4;

// Ends the program at once with that status, showing nothing.
[[noreturn]] void EndAbnormally() noexcept;

// Has every end that the runtime forces come that way. Its own ends (abort's "abnormal program
// termination", status 3, which reads as a rollback) show a box that would wait forever where
// no one can answer it.
void EndAbnormalRunsAtOnce() noexcept;

} // namespace ocx
