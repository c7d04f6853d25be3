// A floor of the benchmark: a Windows program that only creates and destroys a hidden window,
// which under Wine costs far more than on Windows.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW form{};
    form.cbSize = sizeof(form);
    form.lpfnWndProc = ::DefWindowProcW;
    form.hInstance = instance;
    form.lpszClassName = L"bench.hidden";
    ::RegisterClassExW(&form);
    const HWND window =
        ::CreateWindowExW(0, L"bench.hidden", L"Main", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                          CW_USEDEFAULT, 312, 213, nullptr, nullptr, instance, nullptr);
    ::DestroyWindow(window);
    return 0;
}
