#include "platform/win32/MessageWait.h"

#include "platform/win32/Win32Error.h"

#include <optional>

namespace ocx {

namespace {

enum class Woken { Signalled, TimeUp, Failed };

Woken Wait(HANDLE object, DWORD milliseconds, std::optional<WPARAM>& quit) {
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
                if (message.message == WM_QUIT) {
                    quit = message.wParam;
                    continue;
                }
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        } else if (count != 0 && (woken == WAIT_OBJECT_0 || woken == WAIT_ABANDONED_0)) {
            return Woken::Signalled;
        } else if (woken == WAIT_TIMEOUT) {
            return Woken::TimeUp;
        } else {
            return Woken::Failed;
        }
    }
}

} // namespace

bool WaitDispatching(HANDLE object, DWORD milliseconds) {
    std::optional<WPARAM> quit;
    const Woken woken = Wait(object, milliseconds, quit);
    const DWORD error = ::GetLastError();
    if (quit) {
        ::PostQuitMessage(static_cast<int>(*quit));
    }
    if (woken == Woken::Failed) {
        throw Win32Error(error);
    }
    return woken == Woken::Signalled;
}

} // namespace ocx
