#include "app/FormWindow.h"

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

UniqueWindow CreateFormWindow(HINSTANCE instance) {
    RegisterFormClass(instance);
    const SIZE size = FormSize();
    return UniqueWindow(::CreateWindowExW(0, FormClass, FormTitle, FormStyle, CW_USEDEFAULT,
                                          CW_USEDEFAULT, size.cx, size.cy, nullptr, nullptr,
                                          instance, nullptr));
}

} // namespace ocx
