#pragma once

#include <windows.h>

namespace ocx {

// A function of a loaded DLL, found by name at run time: for what not every Windows has, or a
// DLL that the program does not import. Null where the DLL or the function is missing.
template <typename Function> Function FindFunction(HMODULE module, const char* name) {
    const FARPROC found = module == nullptr ? nullptr : ::GetProcAddress(module, name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

} // namespace ocx
