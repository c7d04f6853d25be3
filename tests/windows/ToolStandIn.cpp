// A stand-in for regsvr32, as Windows' own behaves: tool_stand_in [/s] [-u|/u] <control>.
// It appends its command line, as UTF-8, to recorded.txt beside itself, calls the control's
// DllRegisterServer or DllUnregisterServer in-process, and shows a message box unless given /s.
// Exit status 0 when the entry point succeeded, 3 otherwise. It records only after a pause, so
// that a caller that does not wait is caught.
#include "tests/windows/Utf8Line.h"

#include <windows.h>

#include <shellapi.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ::Sleep(500);
    std::wstring self(MAX_PATH * 4, L'\0');
    self.resize(::GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    ocx::test::AppendLine(self.substr(0, self.find_last_of(L'\\')) + L"\\recorded.txt",
                          ::GetCommandLineW());
    int count = 0;
    wchar_t** const args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    bool silent = false;
    const char* entryPoint = "DllRegisterServer";
    HMODULE control = nullptr;
    for (int i = 1; i < count; ++i) {
        const std::wstring arg = args[i];
        if (arg == L"/s" || arg == L"-s") {
            silent = true;
        } else if (arg == L"/u" || arg == L"-u") {
            entryPoint = "DllUnregisterServer";
        } else {
            control = ::LoadLibraryW(args[i]);
        }
    }
    ::LocalFree(args);
    using EntryPoint = HRESULT(WINAPI*)();
    const FARPROC found = control == nullptr ? nullptr : ::GetProcAddress(control, entryPoint);
    const auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(found));
    const bool done = entry != nullptr && SUCCEEDED(entry());
    if (!silent) {
        ::MessageBoxW(nullptr, done ? L"Succeeded." : L"Failed.", L"RegSvr32", MB_OK);
    }
    return done ? 0 : 3;
}
