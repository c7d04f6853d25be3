#include "tests/native/InstallRun.h"

namespace ocx::test {
namespace {

TEST(ControlReplacement, CopyFailuresAreReportedAndLeaveTheOldCopyInPlaceAndRegistered) {
    const std::wstring reason = L"The device is not ready.";
    const std::wstring failed = UnlockThenBox(CopyFailure + L"\r\n" + reason);
    // While staging, nothing else is touched.
    ExpectRun({.Files = Both, .Failing = {L"CreateUniqueFile*"}, .FailureDescription = reason},
              Begin + L"CreateUniqueFile T.new-*.tmp; " + failed, CopyFailed);
    ExpectRun({.Files = Both, .Failing = {L"CopyFileTo*"}, .FailureDescription = reason},
              Begin + CopyToN + DiscardStaged + failed, CopyFailed);
    ExpectRun({.Files = Both, .Failing = {L"ClearReadOnly*"}, .FailureDescription = reason},
              Begin + Stage + DiscardStaged + failed, CopyFailed);
    // The message names the folder where the file really is (SysWOW64 for a 32-bit program).
    ExpectRun(
        {.Files = {Source},
         .Failing = {L"CopyFileTo*"},
         .FailureDescription = L"",
         .RealSystemFolder = L"C:\\WINDOWS\\SysWOW64"},
        Begin + CopyToN + DiscardStaged +
            UnlockThenBox(L"Cannot copy morvantel.ocx to C:\\WINDOWS\\SysWOW64\\morvantel.ocx"),
        CopyFailed);
    // While putting the new copy in place: the old one goes back before the box shows.
    ExpectRun({.Files = Both, .Failing = {L"RenameFile N*"}},
              Begin + Stage + Unregister + SetAside + PutInPlace + DiscardStaged + Restore +
                  UnlockThenBox(CopyFailure + L"\r\nThe media is write protected."),
              CopyFailed);
    // A hidden or system file holds the name: it is no old copy, and the box says it is in the way.
    ExpectRun(
        {.Files = Both, .Hidden = {Target}},
        Begin + Stage + PutInPlace + DiscardStaged +
            UnlockThenBox(CopyFailure +
                          L"\r\nA hidden or system file of that name is in the system folder."),
        CopyFailed);
    // The old copy cannot be set aside (held open): it stays, registered again; the box says why.
    ExpectRun({.Files = Both, .Failing = {L"RenameFile T*"}, .FailureDescription = reason},
              Begin + Stage + Unregister + SetAside + PutInPlace + DiscardStaged + SilentRegister +
                  failed,
              CopyFailed);
}

// The installer's box tells what the tool's own box (shown only when it ended by itself) did not.
TEST(ControlReplacement, NewCopyThatDoesNotRegisterIsRolledBackAndEveryFailureIsTold) {
    const std::wstring upgrade = Begin + Stage + Unregister + SetAside + PlaceAndRegister;
    ExpectRun({.Files = Both, .ToolEnds = {Ok, Status5}}, upgrade + RemoveNew + Restore + End,
              RegistrationFailed);
    ExpectRun({.Files = {Source}, .ToolEnds = {Status5}},
              Begin + Stage + PlaceAndRegister + RemoveNew + End, RegistrationFailed);
    // The tool could not be run, crashed or could not be started: no box of its own was seen.
    ExpectRun({.Files = Both, .Failing = {L"Wait"}},
              upgrade + RemoveNew + Restore +
                  UnlockThenBox(NotRegistered +
                                L"could not be run: The media is write protected.\r\n" + NotBack +
                                L"regsvr32 could not be run: The media is write protected."),
              RegistrationFailed);
    ExpectRun({.Files = {Source}, .ToolEnds = {ProcessEnd{ProcessEnd::Exited, 0x80000003}}},
              Begin + Stage + PlaceAndRegister + RemoveNew +
                  UnlockThenBox(NotRegistered + L"ended with status 0x80000003"),
              RegistrationFailed);
    ExpectRun(
        {.Files = {Source}, .Failing = {L"Launch*"}},
        Begin + Stage + PutInPlace + L"Launch T; " + L"Launch /s -u T; DeleteFiles T; " +
            UnlockThenBox(NotRegistered + L"could not be started: The media is write protected."),
        RegistrationFailed);
    // No tool could be started (missing, or refused): the old copy's registration is untouched.
    ExpectRun(
        {.Files = Both, .Failing = {L"Launch*"}},
        Begin + Stage + L"Launch -u T; " + SetAside + PutInPlace + L"Launch T; Launch /s -u T; " +
            L"DeleteFiles T; RenameFile O => T; " +
            UnlockThenBox(NotRegistered + L"could not be started: The media is write protected."),
        RegistrationFailed);
    // Only the unregistration could not start: the new copy's runs changed the registration.
    ExpectRun({.Files = Both, .Failing = {L"Launch -u T"}, .ToolEnds = {Status5}},
              Begin + Stage + L"Launch -u T; " + SetAside + PlaceAndRegister + RemoveNew + Restore +
                  End,
              RegistrationFailed);
    // Nor does a later run that could not start undo what the earlier ones changed.
    ExpectRun({.Files = Both, .Failing = {L"Launch /s -u T"}, .ToolEnds = {Ok, Status5}},
              upgrade + L"Launch /s -u T; DeleteFiles T; " + Restore + End, RegistrationFailed);
    // The old copy is back, but does not register again.
    ExpectRun({.Files = Both, .ToolEnds = {Ok, Status5, Ok, Status5}},
              upgrade + RemoveNew + Restore +
                  UnlockThenBox(NotRegistered + L"ended with status 5\r\n" + NotBack +
                                L"regsvr32 ended with status 5"),
              RegistrationFailed);
    // The old copy cannot be put back: the box says where it is.
    const Installation kept(
        {.Files = Both, .Failing = {L"RenameFile O*"}, .ToolEnds = {Ok, Status5}});
    ExpectCalls(kept, upgrade + RemoveNew + L"RenameFile O => T; " +
                          UnlockThenBox(NotRegistered +
                                        L"ended with status 5\r\nThe earlier copy is kept as O"));
    EXPECT_EQ(kept.platform.Files, Files({Source, Target + L".old-00000002.tmp"}));
}

TEST(ControlReplacement, StepFailuresThatStillEndInstalled) {
    // The old copy could not be unregistered: it is still set aside and replaced.
    ExpectRun({.Files = Both, .Failing = {L"Launch -u*"}},
              Begin + Stage + L"Launch -u T; " + SetAside + PlaceAndRegister + DiscardAside + End,
              Installed);
    // An unsearchable target counts as an old copy; there is none to set aside.
    ExpectRun({.Files = {Source}, .Failing = {L"MatchFile T"}},
              Begin + Stage + Unregister + SetAside + PlaceAndRegister + End, Installed);
    // The old copy is still loaded by a program: it goes at the next restart.
    ExpectRun({.Files = Both, .InUse = {Target}},
              Begin + Stage + Unregister + SetAside + PlaceAndRegister + L"ClearReadOnly O; " +
                  Retried(L"DeleteFiles O") + Queued(L"O", 3) + End,
              Installed);
    // Held so that it cannot even be renamed (open without delete sharing): never queued under
    // its own name, which a later failing run would name as kept, it stays for the next run.
    const Installation stuck(
        {.Files = Both, .InUse = {Target}, .Failing = {L"RenameFile O -> T.del*"}});
    ExpectCalls(stuck, Begin + Stage + Unregister + SetAside + PlaceAndRegister +
                           L"ClearReadOnly O; " + Retried(L"DeleteFiles O") +
                           L"RenameFile O -> T.del-00000003.tmp; " + End);
    EXPECT_EQ(stuck.platform.AfterRestart(),
              Files({Source, Target, Target + L".old-00000002.tmp"}));
    // A scanner holds the new copy for a moment: it is put in place at the third try.
    ExpectRun({.Files = Both, .Busy = {L"RenameFile N*", L"RenameFile N*"}},
              Begin + Stage + Unregister + SetAside +
                  L"RenameFile N -> T; Pause 100; RenameFile N -> T; Pause 200; " +
                  PlaceAndRegister + DiscardAside + End,
              Installed);
    // Without a job (Windows 7 in a job of its own), the tool runs alone, all the same.
    ExpectRun({.Files = {Source}, .Failing = {L"Job"}}, Begin + Stage + PlaceAndRegister + End,
              Installed);
}

// Leftovers of cut-off runs: staged copies go first; a copy set aside, maybe the last that worked,
// only once the new copy has registered (at the restart if held). Foreign names stay.
TEST(ControlReplacement, LeftoversOfEarlierRunsAreRemovedAndNothingElse) {
    const std::wstring staged = Target + L".new-0000ABCD.tmp";
    const std::wstring held = Target + L".old-DEADBEEF.tmp";
    const std::wstring foreign = Target + L".old-copy1234.tmp";
    const Installation run({.Files = {Source, Target, staged, held, foreign}, .InUse = {held}});
    ExpectCalls(run, Begin + L"ClearReadOnly T.new-0000ABCD.tmp; " +
                         L"DeleteFiles T.new-0000ABCD.tmp; " + Stage + Unregister + SetAside +
                         PlaceAndRegister + DiscardAside + L"ClearReadOnly T.old-DEADBEEF.tmp; " +
                         Retried(L"DeleteFiles T.old-DEADBEEF.tmp") +
                         Queued(L"T.old-DEADBEEF.tmp", 3) + End);
    EXPECT_EQ(run.platform.AfterRestart(), Files({Source, Target, foreign}));

    // A free name is taken by the rename itself: one that another file has is passed over.
    const Installation taken({.Files = {Source, Target, Target + L".old-00000002.tmp"}});
    ExpectCallsHold(taken, L"RenameFile T -> O; RenameFile T -> T.old-00000003.tmp; ");
    EXPECT_EQ(taken.platform.AfterRestart(), Both);
}

// A run cut off after each call in turn, the old copy held or not: the next run installs and
// leaves nothing but what goes at the restart; a next run that fails names the copy set aside.
TEST(ControlReplacement, TheNextRunClearsWhatTheCutOffRunLeftOnlyOnceItHasInstalled) {
    const std::wstring aside = Target + L".old-00000002.tmp";
    for (const bool held : {false, true}) {
        Script script{.Files = Both, .InUse = held ? Files{Target} : Files{}};
        for (std::size_t cut = 1;; ++cut) {
            script.CutAfter = cut;
            const Installation first(script);
            if (!first.platform.AtCut) {
                break;
            }
            Script again = *first.platform.AtCut;
            again.CutAfter.reset();
            const Installation second(again);
            SCOPED_TRACE(::testing::Message()
                         << "held " << held << ", cut after " << first.platform.Calls[cut - 1]);
            EXPECT_EQ(second.form.Result(), Installed);
            EXPECT_EQ(second.platform.AfterRestart(), Both);
            EXPECT_FALSE(second.platform.InUse.contains(Target)) << "the new copy is in place";
            EXPECT_LE(second.platform.CountCalls(L"DeleteAtRestart"), held ? 1U : 0U);

            again.Failing = {L"Launch T*"};
            const Installation failing(again);
            EXPECT_EQ(failing.form.Result(), RegistrationFailed);
            if (again.Files.contains(aside)) {
                EXPECT_TRUE(failing.platform.AfterRestart().contains(aside));
                ExpectCallsHold(failing, L"\r\nAn earlier copy is kept as O; Unload");
            }
        }
    }
}

} // namespace
} // namespace ocx::test
