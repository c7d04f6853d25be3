// The tests' stand-in for a user: starts the installer named (relative to the current folder,
// which it shares), answers each message box until it ends, and prints, as UTF-8:
//   <line>                  each line the installer wrote to its standard error
//   message <title>|<text>  each message box; line breaks become \n
//   main-client <w>x<h>     the client size of its window titled "Main"
//   main-visible yes|no     whether that window was ever visible
//   boxes-findable yes|no   whether every box had a taskbar button (no owner)
//   exit <status>           or "exit timeout" after a minute
// A .cmd runs as deployment agents run one: cmd /d /c ""<script>"". With --unseen it runs on an
// invisible window station of its own, as a service.
#include "tests/windows/Utf8Line.h"

#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

struct Watch {
    DWORD processId = 0;
    bool mainVisible = false;
    bool boxesFindable = true;
    SIZE mainClient{};
    std::set<HWND> seenBoxes;
};

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    for (std::size_t at = 0; (at = text.find(L"\r\n", at)) != std::wstring::npos;) {
        text.replace(at, 2, L"\\n");
    }
    return text;
}

BOOL CALLBACK Inspect(HWND window, LPARAM context) {
    auto& watch = *reinterpret_cast<Watch*>(context);
    DWORD owner = 0;
    wchar_t type[16] = {};
    ::GetWindowThreadProcessId(window, &owner);
    ::GetClassNameW(window, type, 16);
    const bool box = std::wstring(type) == L"#32770";
    if (owner != watch.processId) {
        return TRUE;
    }
    if (!box && WindowText(window) == L"Main") {
        RECT client{};
        ::GetClientRect(window, &client);
        watch.mainClient = {client.right, client.bottom};
        watch.mainVisible = watch.mainVisible || ::IsWindowVisible(window) != FALSE;
    }
    // A box is read once its text is there, then dismissed.
    const HWND label = ::GetDlgItem(window, 0xFFFF);
    if (box && ::IsWindowVisible(window) != FALSE && label != nullptr &&
        watch.seenBoxes.insert(window).second) {
        std::printf("message %s\n",
                    ocx::Utf8(WindowText(window) + L"|" + WindowText(label)).c_str());
        std::fflush(stdout);
        watch.boxesFindable = watch.boxesFindable && ::GetWindow(window, GW_OWNER) == nullptr;
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    return TRUE;
}

// A new window station, which is never visible, with a desktop; gives the desktop's name.
std::wstring UnseenDesktop() {
    const HWINSTA own = ::GetProcessWindowStation();
    ::SetProcessWindowStation(::CreateWindowStationW(L"ocxtest", 0, WINSTA_ALL_ACCESS, nullptr));
    ::CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ::SetProcessWindowStation(own);
    return L"ocxtest\\Default";
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Watch watch;
    const bool unseen = argc == 3 && std::wstring(argv[1]) == L"--unseen";
    if (argc != (unseen ? 3 : 2)) {
        std::fprintf(stderr, "usage: probe [--unseen] <installer>\n");
        return 2;
    }
    // Resolved against the current folder, never the probe's own.
    std::wstring installer(MAX_PATH * 4, L'\0');
    installer.resize(::GetFullPathNameW(argv[argc - 1], static_cast<DWORD>(installer.size()),
                                        installer.data(), nullptr));
    std::wstring command = L"\"" + installer + L"\"";
    if (installer.ends_with(L".cmd")) {
        // The system folder's cmd.exe, which a missing environment variable cannot take away.
        std::wstring interpreter(MAX_PATH, L'\0');
        interpreter.resize(::GetSystemDirectoryW(interpreter.data(), MAX_PATH));
        installer = interpreter + L"\\cmd.exe";
        command = L"cmd.exe /d /c \"" + command + L"\"";
    }
    std::wstring desktop = unseen ? UnseenDesktop() : L"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.lpDesktop = unseen ? desktop.data() : nullptr;
    startup.dwFlags = STARTF_USESTDHANDLES;
    ::DuplicateHandle(::GetCurrentProcess(), ::GetStdHandle(STD_OUTPUT_HANDLE),
                      ::GetCurrentProcess(), &startup.hStdError, 0, TRUE, DUPLICATE_SAME_ACCESS);
    PROCESS_INFORMATION process{};
    if (::CreateProcessW(installer.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         nullptr, &startup, &process) == FALSE) {
        std::fprintf(stderr, "cannot start the installer: %lu\n", ::GetLastError());
        return 2;
    }
    watch.processId = process.dwProcessId;
    const ULONGLONG deadline = ::GetTickCount64() + 60000;
    while (::WaitForSingleObject(process.hProcess, 5) == WAIT_TIMEOUT &&
           ::GetTickCount64() < deadline) {
        ::EnumWindows(Inspect, reinterpret_cast<LPARAM>(&watch));
    }
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    if (status == STILL_ACTIVE) {
        ::TerminateProcess(process.hProcess, 1);
    }
    std::printf("main-client %ldx%ld\nmain-visible %s\nboxes-findable %s\n", watch.mainClient.cx,
                watch.mainClient.cy, watch.mainVisible ? "yes" : "no",
                watch.boxesFindable ? "yes" : "no");
    std::printf(status == STILL_ACTIVE ? "exit timeout\n" : "exit %lu\n", status);
    return 0;
}
