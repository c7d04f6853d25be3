#include "platform/Win32Process.h"

#include "platform/Win32Error.h"

#include <optional>

namespace ocx {

unsigned long Win32Process::WaitForExit() {
    const HANDLE process = process_.get();
    std::optional<WPARAM> quit;
    for (;;) {
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) {
            break;
        }
        if (woken != WAIT_OBJECT_0 + 1) {
            throw LastWin32Error();
        }
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
            if (message.message == WM_QUIT) {
                quit = message.wParam;
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    // A quit request that came while waiting belongs to the caller's own message loop.
    if (quit) {
        ::PostQuitMessage(static_cast<int>(*quit));
    }
    DWORD status = 0;
    if (::GetExitCodeProcess(process, &status) == FALSE) {
        throw LastWin32Error();
    }
    return status;
}

} // namespace ocx
