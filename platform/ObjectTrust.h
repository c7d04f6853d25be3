#pragma once

namespace ocx {

// Who owns a folder or file, as far as the lock cares.
enum class Principal {
    System,         // the system's own account
    Administrators, // the Administrators group
    Other,          // anyone else, whom a user's programs may act for
};

// What the system tells of the lock's folder or file, read from the object itself, never through
// a link.
struct ObjectFacts {
    bool Folder = false; // a folder, rather than a file
    bool Link = false;   // a link, junction or other reparse point, which leads elsewhere
    unsigned Names = 1;  // the names the file has (a hard link gives it another, elsewhere)
    Principal Owner = Principal::Other;
    bool Protected = false;           // its access list takes nothing in from the folder above
    unsigned Entries = 0;             // the entries of its access list
    unsigned SystemFully = 0;         // of them, those that let the system in with all access
    unsigned AdministratorsFully = 0; // and those that let the Administrators group in so
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
// user's programs: it is taken back first. One of the wrong kind, a link, or a file that has
// another name elsewhere (whose security taking it back would change too) is never used.
// Portable, so that the rule is tested everywhere.
inline Trust TrustFor(const ObjectFacts& facts, bool folder) {
    if (facts.Link || facts.Folder != folder || facts.Names != 1) {
        return Trust::Never;
    }
    const bool onlyTheTwo =
        facts.Entries == 2 && facts.SystemFully == 1 && facts.AdministratorsFully == 1;
    return facts.Owner != Principal::Other && facts.Protected && onlyTheTwo ? Trust::AsItIs
                                                                            : Trust::OnceProtected;
}

} // namespace ocx
