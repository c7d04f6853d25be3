#include "app/StartupForm.h"

#include "installer/frmMain.h"
#include "platform/win32/Win32Platform.h"

namespace ocx {

namespace {

constexpr const wchar_t* FormClass = L"ocxsetup.frmMain";
constexpr const wchar_t* FormTitle = L"Main";
constexpr DWORD FormStyle = WS_OVERLAPPEDWINDOW;
constexpr int ClientWidthTwips = 4680;
constexpr int ClientHeightTwips = 3195;
constexpr int TwipsPerInch = 1440;
constexpr WORD ProgramIcon = 1;

void ReleaseScreenDc(HDC dc) {
    ::ReleaseDC(nullptr, dc);
}
using UniqueScreenDc = UniqueHandle<HDC, ReleaseScreenDc>;

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The run ends by itself: a close request (taskkill without /f, a tool) must not destroy
    // the window that the installation still uses.
    if (message == WM_CLOSE) {
        return 0;
    }
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void RegisterFormClass(HINSTANCE instance) {
    WNDCLASSEXW form{};
    form.cbSize = sizeof(form);
    form.lpfnWndProc = FormProcedure;
    form.hInstance = instance;
    form.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(ProgramIcon));
    form.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    form.lpszClassName = FormClass;
    ::RegisterClassExW(&form);
}

// The window's outer size for its client area, given in twips, at the system's DPI.
SIZE FormSize() {
    const UniqueScreenDc screen(::GetDC(nullptr));
    const int dpiX = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSX) : USER_DEFAULT_SCREEN_DPI;
    const int dpiY = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : USER_DEFAULT_SCREEN_DPI;
    RECT area{0, 0, ::MulDiv(ClientWidthTwips, dpiX, TwipsPerInch),
              ::MulDiv(ClientHeightTwips, dpiY, TwipsPerInch)};
    ::AdjustWindowRectEx(&area, FormStyle, FALSE, 0);
    return {area.right - area.left, area.bottom - area.top};
}

} // namespace

int RunStartupForm(HINSTANCE instance) {
    RegisterFormClass(instance);
    const SIZE size = FormSize();
    // Where the desktop refuses a window, the installation runs without one.
    Win32Platform platform(UniqueWindow(
        ::CreateWindowExW(0, FormClass, FormTitle, FormStyle, CW_USEDEFAULT, CW_USEDEFAULT, size.cx,
                          size.cy, nullptr, nullptr, instance, nullptr)));
    frmMain form(platform);
    form.Form_Load();

    // A start-up window still loaded after its load event is shown and runs the program.
    // The installation unloads its window, so this is skipped and nothing is ever shown.
    if (platform.WindowLoaded()) {
        ::ShowWindow(static_cast<HWND>(platform.WindowHandle()), SW_SHOWDEFAULT);
        MSG message{};
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    return static_cast<int>(form.Result().value_or(InstallResult::CopyFailed));
}

} // namespace ocx
