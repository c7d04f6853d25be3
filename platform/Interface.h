#pragma once

namespace ocx {

// The base of an abstract class of the program's own (not a COM interface): its objects are used
// through it, never copied or moved, and may be destroyed through it.
class Interface {
public:
    Interface(const Interface&) = delete;
    Interface& operator=(const Interface&) = delete;
    Interface(Interface&&) = delete;
    Interface& operator=(Interface&&) = delete;
    virtual ~Interface() = default;

protected:
    Interface() = default;
};

} // namespace ocx
