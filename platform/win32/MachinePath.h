#pragma once

namespace ocx {

// Makes PATH, for the programs that the installer starts, the machine's own: from the setting
// that only administrators can change, expanded from the system's variables alone. An elevated
// run's PATH also holds the user's own entries (HKCU\Environment), folders that the user's
// programs can write: a DLL that a control needs and the system folders lack would be loaded from
// there into the elevated tool. The installer itself never searches PATH (it loads DLLs from the
// system folder alone), and every other variable stays as it is. Fails where the machine's path
// cannot be read.
void UseMachinePath();

} // namespace ocx
