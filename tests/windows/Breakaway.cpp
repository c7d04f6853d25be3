// breakaway <event> <log>: started as a tool is, it leaves a program of its own running and ends,
// as a control's registration may. That program waits for the named event, then starts one out
// of its job, and appends to the log "breakaway ok", or "breakaway refused <error>".
#include "tests/windows/Utf8Line.h"

#include <windows.h>

#include <string>

namespace {

bool Start(std::wstring command, DWORD flags) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr,
                         &startup, &started) == FALSE) {
        return false;
    }
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3) {
        std::wstring self(MAX_PATH, L'\0');
        self.resize(::GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
        const std::wstring child =
            L"\"" + self + L"\" --child " + argv[1] + L" \"" + argv[2] + L"\"";
        return Start(child, CREATE_NO_WINDOW) ? 0 : 1;
    }
    if (argc != 4) {
        return 2;
    }
    const HANDLE go = ::OpenEventW(SYNCHRONIZE, FALSE, argv[2]);
    ::WaitForSingleObject(go, 30000);
    std::wstring system(MAX_PATH, L'\0');
    system.resize(::GetSystemDirectoryW(system.data(), MAX_PATH));
    const bool left = Start(L"\"" + system + L"\\cmd.exe\" /c exit",
                            CREATE_BREAKAWAY_FROM_JOB | CREATE_NO_WINDOW);
    ocx::test::AppendLine(argv[3], left
                                       ? L"breakaway ok"
                                       : L"breakaway refused " + std::to_wstring(::GetLastError()));
    return 0;
}
