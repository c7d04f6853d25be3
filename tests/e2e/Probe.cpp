// The tests' stand-in for a user: starts the installer named on the command line (relative to
// the current folder, which it also gets as its own), watches its windows until it ends, reads
// and dismisses each message box, and prints what it saw:
//   message <title>|<text>      one line per message box, in order; line breaks become \\n
//   main-client <w>x<h>         the client size of the installer's window titled "Main"
//   main-visible yes|no         whether that window was ever visible
//   stderr <line>               what the installer wrote to its standard error
//   exit <status>               or "exit timeout" when it had not ended after a minute
// Texts are printed as UTF-8. With --unseen first, the installer runs on a window station of its
// own that no one can see, as under a service.
#include "tests/windows/Utf8Line.h"

#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

struct Watch {
    DWORD processId = 0;
    bool mainVisible = false;
    SIZE mainClient{};
    std::set<HWND> seenBoxes;
    std::vector<HWND> toDismiss; // after the whole pass, so the pass sees every window first
    std::vector<std::wstring> messages;
};

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

std::wstring OneLine(std::wstring text) {
    for (std::size_t at = 0; (at = text.find_first_of(L"\r\n", at)) != std::wstring::npos;) {
        const std::size_t length = text.compare(at, 2, L"\r\n") == 0 ? 2 : 1;
        text.replace(at, length, L"\\n");
    }
    return text;
}

BOOL CALLBACK Inspect(HWND window, LPARAM context) {
    auto& watch = *reinterpret_cast<Watch*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != watch.processId) {
        return TRUE;
    }
    if (WindowText(window) == L"Main" && ClassOf(window) != L"#32770") {
        RECT client{};
        ::GetClientRect(window, &client);
        watch.mainClient = {client.right, client.bottom};
        watch.mainVisible = watch.mainVisible || ::IsWindowVisible(window) != FALSE;
    }
    if (::IsWindowVisible(window) == FALSE) {
        return TRUE;
    }
    if (ClassOf(window) == L"#32770" && !watch.seenBoxes.contains(window)) {
        const HWND label = ::GetDlgItem(window, 0xFFFF);
        if (label == nullptr) {
            return TRUE; // still being built
        }
        watch.seenBoxes.insert(window);
        watch.messages.push_back(WindowText(window) + L"|" + OneLine(WindowText(label)));
        watch.toDismiss.push_back(window);
    }
    return TRUE;
}

void PrintUtf8(const std::wstring& line) {
    std::printf("%s\n", ocx::test::Utf8(line).c_str());
}

// A new window station, which is never visible, with a desktop; gives the desktop's name.
std::wstring UnseenDesktop() {
    const HWINSTA own = ::GetProcessWindowStation();
    const HWINSTA station = ::CreateWindowStationW(L"ocxtest", 0, WINSTA_ALL_ACCESS, nullptr);
    ::SetProcessWindowStation(station);
    ::CreateDesktopW(L"Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ::SetProcessWindowStation(own);
    return L"ocxtest\\Default";
}

} // namespace

int wmain(int argc, wchar_t** argv) {
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
    std::wstring desktop = unseen ? UnseenDesktop() : L"";
    SECURITY_ATTRIBUTES inherited{sizeof(inherited), nullptr, TRUE};
    wchar_t temp[MAX_PATH] = {};
    wchar_t errors[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    ::GetTempFileNameW(temp, L"err", 0, errors);
    const HANDLE error =
        ::CreateFileW(errors, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                      CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.lpDesktop = unseen ? desktop.data() : nullptr;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = error;
    PROCESS_INFORMATION process{};
    if (::CreateProcessW(installer.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         nullptr, &startup, &process) == FALSE) {
        std::fprintf(stderr, "cannot start the installer: %lu\n", ::GetLastError());
        return 2;
    }
    Watch watch;
    watch.processId = process.dwProcessId;
    const ULONGLONG deadline = ::GetTickCount64() + 60000;
    while (::WaitForSingleObject(process.hProcess, 5) == WAIT_TIMEOUT &&
           ::GetTickCount64() < deadline) {
        ::EnumWindows(Inspect, reinterpret_cast<LPARAM>(&watch));
        for (const HWND box : watch.toDismiss) {
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        watch.toDismiss.clear();
    }
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    if (status == STILL_ACTIVE) {
        ::TerminateProcess(process.hProcess, 1);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);

    for (const auto& message : watch.messages) {
        PrintUtf8(L"message " + message);
    }
    std::string written(::GetFileSize(error, nullptr), '\0');
    DWORD read = 0;
    ::SetFilePointer(error, 0, nullptr, FILE_BEGIN);
    ::ReadFile(error, written.data(), static_cast<DWORD>(written.size()), &read, nullptr);
    ::CloseHandle(error);
    ::DeleteFileW(errors);
    std::string line;
    for (const char c : written.substr(0, read)) {
        if (c == '\n') {
            std::printf("stderr %s\n", line.c_str());
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    std::printf("main-client %ldx%ld\nmain-visible %s\n", watch.mainClient.cx, watch.mainClient.cy,
                watch.mainVisible ? "yes" : "no");
    std::printf(status == STILL_ACTIVE ? "exit timeout\n" : "exit %lu\n", status);
    return 0;
}
