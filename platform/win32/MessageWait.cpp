#include "platform/win32/MessageWait.h"

#include "platform/win32/Win32Error.h"

namespace ocx {

bool WaitDispatching(HANDLE object, DWORD milliseconds) {
    const DWORD count = object == nullptr ? 0 : 1;
    const ULONGLONG deadline = ::GetTickCount64() + milliseconds;
    for (;;) {
        DWORD left = INFINITE;
        if (milliseconds != INFINITE) {
            const ULONGLONG now = ::GetTickCount64();
            left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        }
        const DWORD woken = ::MsgWaitForMultipleObjects(count, &object, FALSE, left, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0 + count) {
            MSG message{};
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        } else if (count != 0 && woken == WAIT_OBJECT_0) {
            return true;
        } else if (woken == WAIT_TIMEOUT) {
            return false;
        } else {
            throw LastWin32Error();
        }
    }
}

} // namespace ocx
