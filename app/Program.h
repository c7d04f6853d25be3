#pragma once

#include "app/AbnormalEnd.h"
#include "app/DllSearch.h"
#include "app/FormWindow.h"
#include "installer/Constants.h"
#include "platform/win32/Win32Platform.h"

#include <windows.h>

namespace ocx {

// A program: its window object on the hidden window, whose load event runs the program's work
// and unloads the window, and whose exit status it returns (the one given, should the load event
// never have set one). No message loop follows: the work keeps the window responsive while it
// waits, and nothing is left to run once it has ended.
template <typename Form> int RunProgram(HINSTANCE instance, int unset) {
    EndAbnormalRunsAtOnce();
    // Without that, the program's own folder would be searched first for what it loads as it
    // runs (a box loads the theme's DLLs): it ends before it touches anything, saying why where
    // it can, in a line (a box would load them too).
    if (!RestrictDllSearchToSystemFolder()) {
        WriteDllSearchUnsafe();
        return SafeguardMissing;
    }
    // Where the desktop refuses a window, the work runs without one.
    Win32Platform platform(CreateFormWindow(instance));
    Form form(platform);
    form.Form_Load();
    return form.ExitStatus().value_or(unset);
}

} // namespace ocx
