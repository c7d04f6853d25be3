#include "tests/native/InstallRun.h"

namespace ocx::test {
namespace {

// A program keeps the new copy loaded: it leaves the control's name before it is queued for the
// restart, so that a later good copy survives the restart, and an old copy can go back.
TEST(TemporaryCopy, HeldNewCopyIsNeverQueuedForDeletionUnderTheControlsName) {
    const std::wstring staged = Target + L".new-00000001.tmp";
    const std::wstring moved = L"T.del-00000002.tmp";
    const Installation fresh({.Files = {Source}, .InUse = {staged}, .ToolEnds = {Status5}});
    ExpectCalls(fresh, Begin + Stage + PlaceAndRegister + SilentUnregister +
                           Retried(L"DeleteFiles T") + L"RenameFile T -> " + moved +
                           L"; ClearReadOnly " + moved + L"; " + Retried(L"DeleteFiles " + moved) +
                           L"DeleteAtRestart " + moved + L"; " + End);
    ASSERT_TRUE(fresh.platform.ToolEnds.empty()) << "a later run goes as scripted by default";
    const Installation good(fresh.platform.State());
    EXPECT_EQ(good.form.Result(), Installed);
    EXPECT_EQ(good.platform.AfterRestart(), Both);

    const Installation upgrade({.Files = Both, .InUse = {staged}, .ToolEnds = {Ok, Status5}});
    EXPECT_EQ(upgrade.form.Result(), RegistrationFailed);
    EXPECT_EQ(upgrade.platform.CountCalls(L"ShowMessage"), 0U) << "the old copy is back";
    EXPECT_EQ(upgrade.platform.AfterRestart(), Both);
    // Not even renamed: it stays, unregistered, and the box says so.
    const Installation stuck({.Files = {Source},
                              .InUse = {staged},
                              .Failing = {L"RenameFile T -> T.del*"},
                              .ToolEnds = {Status5}});
    EXPECT_TRUE(stuck.platform.AtRestart.empty());
    ExpectCallsEndWith(
        stuck,
        UnlockThenBox(NotRegistered +
                      L"ended with status 5\r\nThe new copy could not be removed and is left "
                      L"unregistered as T"));
}

// A copy queued for the restart is no one's (one try, queued again, never named); an empty old
// copy is no copy; any other old copy may be the last that worked, and a failing run names it.
TEST(TemporaryCopy, LeftoversAreToldApartByKind) {
    const std::wstring queued = Target + L".del-0000AAAA.tmp";
    const std::wstring empty = Target + L".old-0000BBBB.tmp";
    const std::wstring earlier = Target + L".old-0000CCCC.tmp";
    const Installation run({.Files = {Source, Target, queued, empty, earlier},
                            .InUse = {queued},
                            .Empty = {empty},
                            .ToolEnds = {Ok, Status5}});
    ExpectCalls(
        run,
        Begin + L"DeleteFiles T.del-0000AAAA.tmp; DeleteAtRestart T.del-0000AAAA.tmp; " +
            L"ClearReadOnly T.old-0000BBBB.tmp; DeleteFiles T.old-0000BBBB.tmp; " + Stage +
            Unregister + SetAside + PlaceAndRegister + RemoveNew + Restore +
            UnlockThenBox(NotRegistered +
                          L"ended with status 5\r\nAn earlier copy is kept as T.old-0000CCCC.tmp"));
    EXPECT_EQ(run.platform.AfterRestart(), Files({Source, Target, earlier}));
}

} // namespace
} // namespace ocx::test
