// A program that a control starts as it registers, to ask the user something: it shows a box and
// ends once the box is answered.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
    ::MessageBoxW(nullptr, L"Connect to the exchange now?", L"morvantel", MB_YESNO);
    return 0;
}
