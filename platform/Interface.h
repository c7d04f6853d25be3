#pragma once

namespace ocx {

// The base of an interface: its objects are used through it, never copied or moved, and may be
// destroyed through it.
class Interface {
public:
    Interface() = default;
    Interface(const Interface&) = delete;
    Interface& operator=(const Interface&) = delete;
    Interface(Interface&&) = delete;
    Interface& operator=(Interface&&) = delete;
    virtual ~Interface() = default;
};

} // namespace ocx
