#pragma once

#include "platform/Platform.h"

#include <string>

namespace ocx {

// What a run of the registration tool is asked to do to the control.
enum class ToolAction { Register, Unregister };

// Whether the registration tool may show its own messages.
enum class ToolMessages { AsUsual, None };

// How a run of the registration tool went.
struct ToolRun {
    bool Started = false;     // it was let run: the registration may not be as it was
    bool Succeeded = false;   // it ended by itself with status 0
    bool ToldTheUser = false; // it showed its own messages and ended by itself: its box told
    std::wstring Failure;     // why it did not succeed, in words an administrator can act on
};

// The system's registration tool, regsvr32, run on the control: started by its full path in the
// system folder, watched where no one can answer, and its end put in words.
class RegistrationTool {
public:
    // The system folder is the one the run works in, read once; it outlives the tool.
    RegistrationTool(Platform& platform, const std::wstring& systemFolder, bool attended) noexcept
        : platform_(platform), systemFolder_(systemFolder), attended_(attended) {}

    // Runs it on the control at the path and waits for it. Whatever fails, the run has failed,
    // and says why.
    ToolRun RegisterControl(const std::wstring& path, ToolAction action,
                            ToolMessages messages) noexcept;

    // Its command line after its own name: the switches, and the path as one argument.
    static std::wstring Arguments(const std::wstring& path, ToolAction action,
                                  ToolMessages messages);

    // Why a run that ended so did not succeed; empty for one that ended by itself with status 0.
    static std::wstring Failure(const ProcessEnd& end);

private:
    ToolRun Run(const std::wstring& path, ToolAction action, ToolMessages messages, bool& started);

    Platform& platform_;
    const std::wstring& systemFolder_;
    bool attended_; // someone can answer the tool's own box
};

} // namespace ocx
