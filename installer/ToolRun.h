#pragma once

#include <string>

namespace ocx {

// Whether the registration tool may show its own messages.
enum class ToolMessages { AsUsual, None };

// How a run of the registration tool went.
struct ToolRun {
    bool Started = false;   // it was let run: the registration may not be as it was
    bool Succeeded = false; // it ended by itself with status 0
    bool Spoke = false;     // it ran with its own messages and ended by itself: its box told
    std::wstring Failure;   // why it did not succeed
};

// Runs the registration tool on the path, to register or unregister it. Used by reference only, and
// never deleted through this base, it needs nothing but its protected destructor.
class ToolRunner { // NOLINT(cppcoreguidelines-special-member-functions)
public:
    virtual ToolRun Run(const std::wstring& path, bool Register,
                        ToolMessages messages) noexcept = 0;

protected:
    ~ToolRunner() = default;
};

} // namespace ocx
