#pragma once

#include "platform/Platform.h"
#include "platform/win32/UniqueHandle.h"

namespace ocx {

// A started process, held until resumed, and the job that keeps whatever it starts with it,
// where one could be made. Waiting for it keeps dispatching the thread's messages, so the
// caller's hidden window never blocks the process or a broadcast it sends.
class Win32Process final : public LaunchedProcess {
public:
    Win32Process(UniqueKernelHandle process, UniqueKernelHandle thread)
        : process_(std::move(process)), thread_(std::move(thread)) {}
    Win32Process(const Win32Process&) = delete;
    Win32Process& operator=(const Win32Process&) = delete;
    Win32Process(Win32Process&&) = delete;
    Win32Process& operator=(Win32Process&&) = delete;
    // One that never ran is ended: held, it would wait for ever.
    ~Win32Process() override;

    void KeepWithItsChildren() override;
    void Resume() override;
    ProcessEnd WaitForExit(std::optional<std::chrono::seconds> limit) override;

private:
    ProcessEnd End(ProcessEnd::Reason why);

    UniqueKernelHandle process_;
    UniqueKernelHandle thread_; // its first thread, until it is resumed
    UniqueKernelHandle job_;    // empty where the process runs alone
};

} // namespace ocx
