#pragma once

#include <chrono>
#include <cstdint>

namespace ocx {

// How long a window of a program that no one can see may stay before it counts as a box waiting
// for an answer: a splash or progress window goes by itself within it.
inline constexpr std::chrono::seconds WindowGracePeriod{10};

// Watches a program's visible window, look by look: it waits for an answer once the same window
// has stayed visible for the grace period. Portable, so that the rule is tested everywhere.
class WindowWatch {
public:
    // Given at each look the window seen (the one seen before while it is still visible, else
    // any; 0 for none) and the time; gives whether it has stayed.
    bool Stayed(std::uintptr_t window, std::chrono::milliseconds now) {
        if (window == 0 || window != window_) {
            window_ = window;
            since_ = now;
            return false;
        }
        return now - since_ >= WindowGracePeriod;
    }

private:
    std::uintptr_t window_ = 0;
    std::chrono::milliseconds since_{};
};

} // namespace ocx
