#pragma once

#include "platform/Platform.h"
#include "platform/UniqueHandle.h"

namespace ocx {

// A started process. Waiting for it keeps dispatching the thread's messages, so the caller's
// hidden window never blocks the process or a broadcast it sends.
class Win32Process final : public LaunchedProcess {
public:
    explicit Win32Process(UniqueKernelHandle process) : process_(std::move(process)) {}

    ProcessEnd WaitForExit(std::optional<std::chrono::seconds> limit) override;

private:
    ProcessEnd End(ProcessEnd::Reason why);

    UniqueKernelHandle process_;
};

} // namespace ocx
