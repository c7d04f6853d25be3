#include "platform/win32/Win32Session.h"

#include "platform/win32/SystemFolder.h"
#include "platform/win32/SystemFunction.h"
#include "platform/win32/UniqueHandle.h"

#include <windows.h>
#include <wtsapi32.h>

#include <array>
#include <string>

namespace ocx {

namespace {

// The session's states are the system's own, in its order.
static_assert(static_cast<int>(SessionState::Active) == WTSActive &&
              static_cast<int>(SessionState::Connected) == WTSConnected &&
              static_cast<int>(SessionState::Shadow) == WTSShadow &&
              static_cast<int>(SessionState::Disconnected) == WTSDisconnected &&
              static_cast<int>(SessionState::Init) == WTSInit);

bool StationVisible() {
    USEROBJECTFLAGS flags{};
    return ::GetUserObjectInformationW(::GetProcessWindowStation(), UOI_FLAGS, &flags,
                                       sizeof(flags), nullptr) != FALSE &&
           (flags.dwFlags & WSF_VISIBLE) != 0;
}

SessionState State() {
    using QueryFunction = BOOL(WINAPI*)(HANDLE, DWORD, WTS_INFO_CLASS, LPWSTR*, DWORD*);
    using FreeFunction = void(WINAPI*)(PVOID);
    // Loaded at run time: the program does not import it.
    const UniqueModule wts = LoadSystemLibrary(L"wtsapi32.dll");
    const auto query = FindFunction<QueryFunction>(wts.get(), "WTSQuerySessionInformationW");
    const auto free = FindFunction<FreeFunction>(wts.get(), "WTSFreeMemory");
    LPWSTR state = nullptr;
    DWORD size = 0;
    if (query == nullptr || free == nullptr ||
        query(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, WTSConnectState, &state, &size) ==
            FALSE) {
        return SessionState::Active;
    }
    // A state this program does not know counts as no one there.
    WTS_CONNECTSTATE_CLASS connection = WTSDisconnected;
    if (size >= sizeof(connection)) {
        connection = *reinterpret_cast<const WTS_CONNECTSTATE_CLASS*>(state);
    }
    free(state);
    return connection >= WTSActive && connection <= WTSInit ? static_cast<SessionState>(connection)
                                                            : SessionState::Disconnected;
}

// Whether the process runs as LocalSystem, which services and deployment agents use.
bool RunsAsLocalSystem() {
    HANDLE opened = nullptr;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened) == FALSE) {
        return false;
    }
    const UniqueKernelHandle token(opened);
    // TOKEN_USER followed by the SID it points to.
    alignas(TOKEN_USER) std::array<BYTE, sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE> user{};
    DWORD size = 0;
    return ::GetTokenInformation(token.get(), TokenUser, user.data(),
                                 static_cast<DWORD>(user.size()), &size) != FALSE &&
           ::IsWellKnownSid(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid,
                            WinLocalSystemSid) != FALSE;
}

} // namespace

SessionFacts CurrentSession() {
    DWORD id = 0;
    if (::ProcessIdToSessionId(::GetCurrentProcessId(), &id) == FALSE) {
        id = 0;
    }
    return {StationVisible(), id, State(), RunsAsLocalSystem()};
}

} // namespace ocx
