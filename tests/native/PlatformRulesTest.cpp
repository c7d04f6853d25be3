#include "platform/ObjectTrust.h"
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

// The lock's folder or file: its own as it is; made so where another may hold or change it; never
// where it is of the wrong kind or leads elsewhere.
TEST(TrustFor, OnlyAPlainObjectOfTheAdministratorsAloneIsTrustedAsItIs) {
    using enum Principal;
    const ObjectFacts own{.Folder = true,
                          .Owner = Administrators,
                          .Protected = true,
                          .Entries = 2,
                          .SystemFully = 1,
                          .AdministratorsFully = 1};
    const auto trust = [&](const auto& change) {
        ObjectFacts facts = own;
        change(facts);
        return TrustFor(facts, true);
    };
    EXPECT_EQ(TrustFor(own, true), Trust::AsItIs);
    EXPECT_EQ(trust([](ObjectFacts& f) { f.Owner = System; }), Trust::AsItIs);
    EXPECT_EQ(trust([](ObjectFacts& f) { f.Link = true; }), Trust::Never);
    EXPECT_EQ(trust([](ObjectFacts& f) { f.Names = 2; }), Trust::Never) << "a hard link";
    EXPECT_EQ(TrustFor(own, false), Trust::Never) << "a folder where a file must be";
    EXPECT_EQ(trust([](ObjectFacts& f) { f.Owner = Other; }), Trust::OnceProtected);
    EXPECT_EQ(trust([](ObjectFacts& f) { f.Protected = false; }), Trust::OnceProtected);
    EXPECT_EQ(trust([](ObjectFacts& f) { f.Entries = 3; }), Trust::OnceProtected)
        << "another let in";
    EXPECT_EQ(trust([](ObjectFacts& f) { f.AdministratorsFully = 0; }), Trust::OnceProtected);
    EXPECT_EQ(trust([](ObjectFacts& f) {
                  f.SystemFully = 2;
                  f.AdministratorsFully = 0;
              }),
              Trust::OnceProtected);
}

} // namespace
} // namespace ocx::test
