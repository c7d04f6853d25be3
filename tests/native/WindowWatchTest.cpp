#include "platform/WindowWatch.h"

#include <gtest/gtest.h>

namespace ocx::test {
namespace {

// Looks every 100 ms, as the wait does, at the windows seen in turn (0: none); gives the time at
// which the watch said the window stayed, or -1 if it never did.
long long StayedAt(std::initializer_list<std::pair<std::uintptr_t, int>> seen) {
    WindowWatch watch;
    long long now = 0;
    for (const auto& [window, looks] : seen) {
        for (int look = 0; look < looks; ++look, now += 100) {
            if (watch.Stayed(window, std::chrono::milliseconds(now))) {
                return now;
            }
        }
    }
    return -1;
}

TEST(WindowWatch, OnlyTheSameWindowStayingForTheGracePeriodCounts) {
    const long long grace = std::chrono::milliseconds(WindowGracePeriod).count();
    EXPECT_EQ(StayedAt({{7, 200}}), grace) << "a box that waits for an answer";
    EXPECT_EQ(StayedAt({{7, 15}, {0, 10}, {7, 50}}), -1) << "a splash that comes and goes";
    EXPECT_EQ(StayedAt({{7, 99}, {8, 99}}), -1) << "one window after another";
    EXPECT_EQ(StayedAt({{0, 200}}), -1);
}

} // namespace
} // namespace ocx::test
