#pragma once

#include <string>

namespace ocx {

// The environment block for a program that the installer starts: its own environment, but with
// PATH the machine's own, from the setting that only administrators can change, expanded from the
// system's variables alone. An elevated run's PATH also holds the user's own entries
// (HKCU\Environment), folders that the user's programs can write: a DLL that a control needs and
// the system folders lack would be loaded from there into the elevated tool. Fails where the
// machine's path cannot be read.
std::wstring MachinePathEnvironment();

} // namespace ocx
