// Makes the mutex named on the command line (Global\ocxsetup.morvantel.ocx) first, as another
// account would to hold installations up: owned by that account (the local service's, which no
// run of the installer is), open to everyone, and held. Creates C:\squatter-ready once it holds
// it, and ends (letting go of it) when C:\squatter-release appears.
#include <windows.h>

#include <sddl.h>

int wmain(int argc, wchar_t** argv) {
    PSECURITY_DESCRIPTOR stranger = nullptr;
    if (argc != 2 || ::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                         L"O:LSD:(A;;GA;;;WD)", SDDL_REVISION_1, &stranger, nullptr) == FALSE) {
        return 1;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), stranger, FALSE};
    const HANDLE mutex = ::CreateMutexW(&attributes, TRUE, argv[1]);
    if (mutex == nullptr || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        return 1;
    }
    ::CloseHandle(::CreateFileW(L"C:\\squatter-ready", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    while (::GetFileAttributesW(L"C:\\squatter-release") == INVALID_FILE_ATTRIBUTES) {
        ::Sleep(20);
    }
    ::ReleaseMutex(mutex);
    ::CloseHandle(mutex);
    ::LocalFree(stranger);
    return 0;
}
