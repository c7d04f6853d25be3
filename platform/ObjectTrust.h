#pragma once

#include <vector>

namespace ocx {

// Who an owner or an entry of an access list is, as far as the lock cares.
enum class Principal {
    System,         // the system's own account
    Administrators, // the Administrators group
    Other,          // anyone else, whom a user's programs may act for
};

// One entry of an access list.
struct AccessEntry {
    bool Allows = false; // it lets in, rather than keeping out
    bool Full = false;   // all access to a file or folder
    Principal Who = Principal::Other;
};

// What the system tells of the lock's folder or file, read from the object itself, never through
// a link.
struct ObjectFacts {
    bool Folder = false; // a folder, rather than a file
    bool Link = false;   // a link, junction or other reparse point, which leads elsewhere
    Principal Owner = Principal::Other;
    bool Protected = false; // its access list takes nothing in from the folder above
    std::vector<AccessEntry> Access;
};

// What the lock does with a folder or file before it trusts it.
enum class Trust {
    AsItIs,
    OnceProtected, // once made the administrators' own, with the lock's access list
    Never,         // it is not what it must be, and nothing the program may do makes it so
};

// The lock's folder must be a plain folder and its file a plain file, owned by the system or the
// administrators, and letting in those two alone, fully, with nothing in from above. One that
// lets anyone else in, or is owned by someone who may change that, might be held or changed by a
// user's programs: it is taken back first. One of the wrong kind, or a link, is never used.
// Portable, so that the rule is tested everywhere.
inline Trust TrustFor(const ObjectFacts& facts, bool folder) {
    if (facts.Link || facts.Folder != folder) {
        return Trust::Never;
    }
    const auto fully = [&](Principal who, const AccessEntry& entry) {
        return entry.Allows && entry.Full && entry.Who == who;
    };
    const std::vector<AccessEntry>& access = facts.Access;
    const bool onlyTheTwo =
        access.size() == 2 &&
        ((fully(Principal::System, access[0]) && fully(Principal::Administrators, access[1])) ||
         (fully(Principal::Administrators, access[0]) && fully(Principal::System, access[1])));
    return facts.Owner != Principal::Other && facts.Protected && onlyTheTwo ? Trust::AsItIs
                                                                            : Trust::OnceProtected;
}

} // namespace ocx
