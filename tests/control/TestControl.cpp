// A stand-in for the real control: its registration entry points log each call with the calling
// tool's command line to OCX_TEST_LOG, and keep a class entry in the registry.
#include "tests/windows/Utf8Line.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

constexpr const wchar_t* ClassKey =
    L"Software\\Classes\\CLSID\\{6D6F7276-616E-7465-6C00-000000000001}";

std::wstring ModulePath() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ModulePath), &module);
    std::wstring path(MAX_PATH * 4, L'\0');
    path.resize(::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

void Record(const wchar_t* call) {
    if (const wchar_t* log = ::_wgetenv(L"OCX_TEST_LOG")) {
        // With the tool's command line, which tells whether it was told /s.
        ocx::test::AppendLine(log, TEST_CONTROL_BUILD + std::wstring(L" ") + call + L" " +
                                       ModulePath() + L" by " + ::GetCommandLineW());
    }
}

bool SetValue(HKEY key, const wchar_t* name, const std::wstring& value) {
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}

// With OCX_TEST_UNRULY set, registration broadcasts a setting change, waiting for every window to
// answer, asks the installer's window to close and its thread to quit, and logs whether it stayed.
void BeUnruly() {
    if (::_wgetenv(L"OCX_TEST_UNRULY") == nullptr) {
        return;
    }
    ::SendMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"));
    const HWND main = ::FindWindowW(L"ocxsetup.frmMain", L"Main");
    ::PostMessageW(main, WM_CLOSE, 0, 0);
    ::PostMessageW(main, WM_QUIT, 0, 0);
    ::Sleep(500);
    Record(main != nullptr && ::IsWindow(main) != FALSE ? L"main-kept" : L"main-lost");
}

// The splash build shows a window for about a second as it registers or unregisters.
void ShowSplash() {
#ifdef TEST_CONTROL_SPLASH
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"morvantel", WS_POPUP | WS_VISIBLE, 0, 0,
                                          300, 200, nullptr, nullptr, nullptr, nullptr);
    ::SetTimer(window, 1, 1000, nullptr);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER) {
        ::DispatchMessageW(&message);
    }
    ::DestroyWindow(window);
#endif
}

DWORD WINAPI Crash(void*) {
    ::RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    return 0;
}

// With OCX_TEST_CRASH_BUILD naming this build, registration crashes the tool: an access violation
// on a thread of its own, which no handler of the tool's can catch.
void CrashIfAsked() {
    const wchar_t* build = ::_wgetenv(L"OCX_TEST_CRASH_BUILD");
    if (build != nullptr && std::wstring(build) == TEST_CONTROL_BUILD) {
        ::WaitForSingleObject(::CreateThread(nullptr, 0, Crash, nullptr, 0, nullptr), INFINITE);
    }
}

} // namespace

#ifdef TEST_CONTROL_NEEDS_DEP
extern "C" int OcxDependency(); // from ocxdep.dll, through its import library
#endif

STDAPI DllRegisterServer() {
    Record(L"register");
    ShowSplash();
    BeUnruly();
    CrashIfAsked();
#ifdef TEST_CONTROL_BOXING
    // As some controls do, whatever the tool's /s: where no one can see it, it waits forever.
    ::MessageBoxW(nullptr, L"Registering the control", L"morvantel", MB_OK);
#endif
    // With OCX_TEST_REGISTER_DELAY_MS set, registration takes that long (a run to cut off, or
    // to start another beside), and logs when it is done waiting.
    const wchar_t* delay = ::_wgetenv(L"OCX_TEST_REGISTER_DELAY_MS");
    if (delay != nullptr) {
        ::Sleep(static_cast<DWORD>(::_wtoi(delay)));
        Record(L"delayed");
    }
#ifdef TEST_CONTROL_NEEDS_DEP
    OcxDependency();
#endif
    HKEY key = nullptr;
    const std::wstring server = std::wstring(ClassKey) + L"\\InprocServer32";
    if (TEST_CONTROL_REGISTER_FAILS ||
        ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, server.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS) {
        return E_FAIL;
    }
    const bool written = SetValue(key, nullptr, ModulePath()) &&
                         SetValue(key, L"Build", TEST_CONTROL_BUILD) &&
                         SetValue(key, L"ThreadingModel", L"Apartment");
    ::RegCloseKey(key);
    return written ? S_OK : E_FAIL;
}

STDAPI DllUnregisterServer() {
    // Slow on purpose in one build, so that an installer that does not wait is caught.
    ::Sleep(TEST_CONTROL_UNREGISTER_DELAY_MS);
    Record(L"unregister");
    ShowSplash();
    // With OCX_TEST_UNREGISTER_FAILS set, it refuses, as a control may, changing nothing.
    if (::_wgetenv(L"OCX_TEST_UNREGISTER_FAILS") != nullptr) {
        return E_FAIL;
    }
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, ClassKey);
    return S_OK;
}
