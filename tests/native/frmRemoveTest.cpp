#include "tests/native/InstallRun.h"

namespace ocx::test {
namespace {

// Checks every effect of a removal, its result, and the files left after the restart.
void ExpectRemoval(const Script& script, const std::wstring& trace, RemoveResult result,
                   const Files& left, const char* file = __builtin_FILE(),
                   int line = __builtin_LINE()) {
    const ::testing::ScopedTrace named(file, line, "case");
    const Removal run(script);
    EXPECT_EQ(OnePerLine(run.Trace()), OnePerLine(trace));
    EXPECT_EQ(run.form.Result(), result);
    EXPECT_EQ(run.platform.AfterRestart(), left);
}

TEST(frmRemove, UnregistersThenDeletesOrQueuesAFileInUseAndSaysWhenNothingIsInstalled) {
    ExpectRemoval({.Files = {Target}}, Begin + Unregister + L"DeleteFiles T; " + End,
                  RemoveResult::Removed, {});
    // Loaded by a program: renamed to be no one's, and deleted at the restart; the line says so.
    ExpectRemoval(
        {.Files = {Target}, .InUse = {Target}, .Session = Unattended},
        Bounded(Unseen + SilentUnregister) + Retried(L"DeleteFiles T") + Queued(L"T", 1) +
            UnlockThenLine(L"morvantel.ocx was removed; the file, still in use, is left as "
                           L"T.del-00000001.tmp until the restart deletes it"),
        RemoveResult::Removed, {});
    ExpectRemoval({.Files = {Source}},
                  Begin + L"Unlock; " +
                      Box(L"morvantel.ocx is not installed: there is nothing to remove",
                          MessageStyle::Information) +
                      L"UnloadWindow; ",
                  RemoveResult::Removed, {Source});
    // What cut-off installations left goes as a good installation clears it.
    ExpectRemoval({.Files = {Target, Target + L".new-0000ABCD.tmp", Target + L".old-0000BCDE.tmp"}},
                  Begin + L"ClearReadOnly T.new-0000ABCD.tmp; DeleteFiles T.new-0000ABCD.tmp; " +
                      Unregister + L"DeleteFiles T; ClearReadOnly T.old-0000BCDE.tmp; " +
                      L"DeleteFiles T.old-0000BCDE.tmp; " + End,
                  RemoveResult::Removed, {});
}

// Never half done: what the tool did not unregister, or what can be neither deleted nor renamed,
// stays in place, registered again, and the report says why.
TEST(frmRemove, WhatCannotBeRemovedStaysInPlaceRegisteredAgain) {
    const Files kept{Target, Target + L".old-0000BCDE.tmp"};
    // The tool's own box has told why on a desktop; an earlier copy kept is named all the same.
    ExpectRemoval({.Files = {Target}, .ToolEnds = {Status5}},
                  Begin + Unregister + SilentRegister + End, RemoveResult::NotUnregistered,
                  {Target});
    ExpectRemoval(
        {.Files = kept, .ToolEnds = {Status5, Status5}, .Session = Unattended},
        Bounded(Unseen + SilentUnregister + SilentRegister) +
            UnlockThenLine(L"morvantel.ocx was not removed: regsvr32 ended with status 5: It is "
                           L"in place but did not register again: regsvr32 ended with status 5: "
                           L"An earlier copy is kept as T.old-0000BCDE.tmp"),
        RemoveResult::NotUnregistered, kept);
    // A tool that could not start changed nothing: there is nothing to register again.
    ExpectRemoval(
        {.Files = {Target}, .Failing = {L"Launch*"}},
        Begin + L"Launch -u T; " +
            UnlockThenBox(L"morvantel.ocx was not removed: regsvr32 could not be started: The "
                          L"media is write protected."),
        RemoveResult::NotUnregistered, {Target});
    ExpectRemoval({.Files = {Target}, .InUse = {Target}, .Failing = {L"RenameFile T*"}},
                  Begin + Unregister + Retried(L"DeleteFiles T") +
                      L"RenameFile T -> T.del-00000001.tmp; " + SilentRegister +
                      UnlockThenBox(L"Cannot remove T\r\nAccess is denied."),
                  RemoveResult::NotRemoved, {Target});
}

// The installations' lock: waited for, or, where no one can answer, up to the limit; one that
// cannot be used ends the run before it touches anything.
TEST(frmRemove, TakesTheInstallationsLockFirst) {
    ExpectRemoval({.Files = {Target}, .Session = Unattended, .LockHeld = true},
                  SystemBoxesSilenced +
                      L"Lock ocxsetup.morvantel.ocx.lock 1800s; WriteErrorLine morvantel.ocx "
                      L"was not removed: another installation is still running; "
                      L"UnloadWindow; ",
                  RemoveResult::AnotherInstallRunning, {Target});
    ExpectRemoval({.Files = {Target}, .Failing = {L"Lock*"}},
                  Begin +
                      Box(L"Cannot remove T\r\nThe installation lock ocxsetup.morvantel.ocx.lock "
                          L"cannot be used: The media is write protected.") +
                      L"UnloadWindow; ",
                  RemoveResult::NotRemoved, {Target});
}

} // namespace
} // namespace ocx::test
