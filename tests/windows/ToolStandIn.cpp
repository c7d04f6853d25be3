// A stand-in for regsvr32, as Windows' own behaves: tool_stand_in [/s] [-u|/u] <control>.
// It appends its command line, as UTF-8, to recorded.txt beside itself, calls the control's
// DllRegisterServer or DllUnregisterServer in-process, and shows a message box unless given /s.
// Exit status 0 when the entry point succeeded, 3 otherwise. It records only after a pause, so
// that a caller that does not wait is caught.
#include "tests/windows/Utf8Line.h"

#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

void Record(const std::wstring& line) {
    std::wstring path(MAX_PATH * 4, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    path = path.substr(0, path.find_last_of(L'\\')) + L"\\recorded.txt";
    ocx::test::AppendLine(path, line);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ::Sleep(500);
    Record(::GetCommandLineW());
    int count = 0;
    wchar_t** const args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    bool silent = false;
    bool unregister = false;
    const wchar_t* control = nullptr;
    for (int i = 1; i < count; ++i) {
        const std::wstring arg = args[i];
        if (arg == L"/s" || arg == L"-s") {
            silent = true;
        } else if (arg == L"/u" || arg == L"-u") {
            unregister = true;
        } else {
            control = args[i];
        }
    }
    using EntryPoint = HRESULT(WINAPI*)();
    const HMODULE module = control == nullptr ? nullptr : ::LoadLibraryW(control);
    const FARPROC found =
        module == nullptr
            ? nullptr
            : ::GetProcAddress(module, unregister ? "DllUnregisterServer" : "DllRegisterServer");
    const auto entry = reinterpret_cast<EntryPoint>(reinterpret_cast<void (*)()>(found));
    const bool done = entry != nullptr && SUCCEEDED(entry());
    if (!silent) {
        ::MessageBoxW(nullptr, done ? L"Succeeded." : L"Failed.", L"RegSvr32", MB_OK);
    }
    ::LocalFree(args);
    return done ? 0 : 3;
}
