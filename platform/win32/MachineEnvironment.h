#pragma once

#include "platform/win32/UniqueHandle.h"

#include <windows.h>

namespace ocx {

// The machine's own environment, for a program that the installer starts: the system's variables
// alone, with PATH the machine's own setting, as the system builds them for no user. An elevated
// run's own environment also holds what the user set (HKCU\Environment), which the user's
// non-elevated programs can write: a PATH entry, a SystemRoot or a profiler for .NET there would
// decide what the elevated tool loads. Owns the block, which CreateProcessW takes with
// CREATE_UNICODE_ENVIRONMENT; fails where it cannot be had.
class MachineEnvironment {
public:
    MachineEnvironment();
    MachineEnvironment(const MachineEnvironment&) = delete;
    MachineEnvironment& operator=(const MachineEnvironment&) = delete;
    MachineEnvironment(MachineEnvironment&&) = delete;
    MachineEnvironment& operator=(MachineEnvironment&&) = delete;
    ~MachineEnvironment();

    [[nodiscard]] void* Block() const noexcept { return block_; }

private:
    using DestroyFunction = BOOL(WINAPI*)(LPVOID);

    UniqueModule userenv_; // the system folder's, loaded by its full path; freed after the block
    DestroyFunction destroy_ = nullptr;
    void* block_ = nullptr;
};

} // namespace ocx
