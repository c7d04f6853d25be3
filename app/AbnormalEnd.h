#pragma once

namespace ocx {

// The exit status of a run that had to end abnormally (an exception where none may pass, or a
// crash):
// distinct from every installation result, so that no one reads it as one.
inline constexpr int AbnormalEndStatus = 4;

// Ends the program at once with that status, showing nothing.
[[noreturn]] void EndAbnormally() noexcept;

// Has every end that the runtime or the system forces come that way. Their own ends (abort's
// "abnormal program termination", status 3, which reads as a rollback; a crash's exception
// code) show a box that would wait forever where no one can answer it.
void EndAbnormalRunsAtOnce() noexcept;

} // namespace ocx
