#pragma once

#include "platform/Platform.h"
#include "platform/PlatformError.h"

#include <array>
#include <chrono>
#include <string>

namespace ocx {

// What made a step fail: what it means, and the system's description (empty for a failure that
// is not the system's).
struct StepFailure {
    ErrorKind Kind = ErrorKind::Other;
    std::wstring Reason;
};

// Runs one step under the resume-next policy: a failure anywhere inside abandons the rest of
// the step, and the caller goes on. Gives whether the step completed; what made it fail goes to
// `failure` when asked for (empty without memory for its text).
template <typename Step> bool Attempt(Step&& step, StepFailure* failure = nullptr) noexcept {
    try {
        step();
        return true;
    } catch (const PlatformError& error) {
        if (failure != nullptr) {
            failure->Kind = error.Kind();
            try {
                failure->Reason = error.Description();
            } catch (...) {
                failure->Reason.clear();
            }
        }
    } catch (...) {
        // Swallowed by design: the caller goes on.
    }
    return false;
}

// Pauses between tries, doubling: a little over three seconds in all.
inline constexpr std::array<std::chrono::milliseconds, 5> RetryPauses{
    std::chrono::milliseconds(100), std::chrono::milliseconds(200), std::chrono::milliseconds(400),
    std::chrono::milliseconds(800), std::chrono::milliseconds(1600)};

// Runs a rename or delete of the program's own files, trying again for a while as long as it
// fails because another program has the file for a moment (a scanner, an indexer); any other
// failure, or the last, passes on.
template <typename Operation> void Retrying(Platform& platform, Operation&& operation) {
    for (const std::chrono::milliseconds pause : RetryPauses) {
        try {
            operation();
            return;
        } catch (const PlatformError& error) {
            if (error.Kind() != ErrorKind::Busy) {
                throw;
            }
        }
        platform.Pause(pause);
    }
    operation();
}

// Attempt over Retrying: a rename or delete of the program's own files as one step.
template <typename Operation>
bool AttemptRetrying(Platform& platform, Operation&& operation,
                     StepFailure* failure = nullptr) noexcept {
    return Attempt([&] { Retrying(platform, operation); }, failure);
}

} // namespace ocx
