#include "platform/win32/LockAccess.h"

#include "platform/win32/Win32Error.h"

#include <aclapi.h>
#include <sddl.h>

namespace ocx {

namespace {

// Full access for the system and the administrators, on the folder and everything made in it.
constexpr const wchar_t* LockSecurity = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

Principal PrincipalOf(PSID sid) {
    if (::IsWellKnownSid(sid, WinLocalSystemSid) != FALSE) {
        return Principal::System;
    }
    return ::IsWellKnownSid(sid, WinBuiltinAdministratorsSid) != FALSE ? Principal::Administrators
                                                                       : Principal::Other;
}

// Whom the entry lets in with all access: the system, the Administrators group, or no one the
// lock cares about (any other entry, one that keeps out or lets in less, counts as neither).
Principal FullyAllowed(ACE_HEADER& header) {
    if (header.AceType != ACCESS_ALLOWED_ACE_TYPE) {
        return Principal::Other;
    }
    auto& allowed = reinterpret_cast<ACCESS_ALLOWED_ACE&>(header);
    // The entry's SID begins at its last member.
    auto* const sid = reinterpret_cast<PSID>(&allowed.SidStart);
    return allowed.Mask == FILE_ALL_ACCESS ? PrincipalOf(sid) : Principal::Other;
}

} // namespace

LockAccess::LockAccess() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(LockSecurity, SDDL_REVISION_1,
                                                               &descriptor, nullptr) == FALSE) {
        throw LastWin32Error();
    }
    descriptor_.reset(descriptor);
    attributes_ = {sizeof(attributes_), descriptor, FALSE};
}

void LockAccess::MakeTrusted(HANDLE object, bool folder, const wchar_t* wrongKind) const {
    switch (TrustFor(FactsOf(object), folder)) {
    case Trust::AsItIs:
        return;
    case Trust::Never:
        throw PlatformError(ErrorKind::Other, ERROR_BAD_PATHNAME, wrongKind);
    case Trust::OnceProtected:
        break;
    }
    PSID owner = nullptr;
    PACL access = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    ::GetSecurityDescriptorOwner(descriptor_.get(), &owner, &defaulted);
    ::GetSecurityDescriptorDacl(descriptor_.get(), &present, &access, &defaulted);
    const DWORD error = ::SetSecurityInfo(object, SE_FILE_OBJECT,
                                          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                              PROTECTED_DACL_SECURITY_INFORMATION,
                                          owner, nullptr, access, nullptr);
    if (error != ERROR_SUCCESS) {
        throw Win32Error(error);
    }
}

ObjectFacts FactsOf(HANDLE object) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (::GetFileInformationByHandle(object, &information) == FALSE) {
        throw LastWin32Error();
    }
    PSID owner = nullptr;
    PACL access = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = ::GetSecurityInfo(object, SE_FILE_OBJECT,
                                          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                          &owner, nullptr, &access, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) {
        throw Win32Error(error);
    }
    const UniqueLocalMemory freed(descriptor);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ObjectFacts facts{
        .Folder = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
        .Link = (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
        .Names = information.nNumberOfLinks,
        .Owner = PrincipalOf(owner),
        .Protected = ::GetSecurityDescriptorControl(descriptor, &control, &revision) != FALSE &&
                     (control & SE_DACL_PROTECTED) != 0,
        // No list at all lets everyone in: it has no entry of the lock's.
        .Entries = access == nullptr ? 0U : access->AceCount};
    for (DWORD at = 0; at < facts.Entries; ++at) {
        void* entry = nullptr;
        if (::GetAce(access, at, &entry) == FALSE) {
            throw LastWin32Error();
        }
        switch (FullyAllowed(*static_cast<ACE_HEADER*>(entry))) {
        case Principal::System:
            ++facts.SystemFully;
            break;
        case Principal::Administrators:
            ++facts.AdministratorsFully;
            break;
        case Principal::Other:
            break;
        }
    }
    return facts;
}

} // namespace ocx
