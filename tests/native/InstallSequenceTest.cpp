#include "installer/frmMain.h"
#include "tests/native/ScriptedPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

namespace ocx::test {
namespace {

using Files = std::set<std::wstring>;

const std::wstring Source = L"C:\\Setup\\morvantel.ocx";
const std::wstring Target = L"C:\\WINDOWS\\system32\\morvantel.ocx";

struct Installation {
    explicit Installation(Script script) : platform(std::move(script)) { form.Form_Load(); }
    ScriptedPlatform platform;
    frmMain form{platform};

    // The calls as one text, "; " after each.
    [[nodiscard]] std::wstring Trace() const {
        std::wstring trace;
        for (const std::wstring& call : platform.Calls) {
            trace += call + L"; ";
        }
        return trace;
    }
};

// The files a run that installed leaves: those it found, and the target.
Files WithTarget(Files files) {
    files.insert(Target);
    return files;
}

// Runs the installer and checks every call it made, how it ended, and that it left the files as
// it found them, with the target added where it installed.
void ExpectRun(const Script& script, const std::wstring& trace, InstallResult result) {
    const Installation run(script);
    EXPECT_EQ(run.Trace(), trace);
    EXPECT_EQ(run.form.Result(), result);
    EXPECT_EQ(run.platform.AfterRestart(),
              result == InstallResult::Installed ? WithTarget(script.Files) : script.Files);
}

// The parts of the traces.
// Where no one can answer, the system's own boxes are silenced first.
const std::wstring Unheard = L"SilenceSystemErrors; ";
// Runs that go on take the lock before they touch anything.
const std::wstring Begin = L"Lock ocxsetup.morvantel.ocx; ";
const std::wstring Unseen = Unheard + L"Lock ocxsetup.morvantel.ocx 1800s; ";
const std::wstring CopyToN = L"CreateUniqueFile T.new-*.tmp; CopyFileTo S -> N; ";
const std::wstring Stage = CopyToN + L"ClearReadOnly N; ";
const std::wstring DiscardStaged = L"ClearReadOnly N; DeleteFiles N; ";
const std::wstring Unregister = L"Launch -u T; Job; Wait; ";
const std::wstring SetAside = L"RenameFile T -> O; ";
const std::wstring PutInPlace = L"RenameFile N -> T; ";
const std::wstring Register = PutInPlace + L"Launch T; Job; Wait; ";
const std::wstring DiscardAside = L"ClearReadOnly O; DeleteFiles O; ";
const std::wstring SilentUnregister = L"Launch /s -u T; Job; Wait; ";
const std::wstring RemoveNew = SilentUnregister + L"DeleteFiles T; ";
const std::wstring Reregister = L"Launch /s T; Job; Wait; ";
const std::wstring Restore = L"RenameFile O => T; " + Reregister;
const std::wstring NotFound = L"Source file morvantel.ocx not found";
const std::wstring CopyFailure = L"Cannot copy morvantel.ocx to T";
const std::wstring NotRegistered = L"morvantel.ocx did not register: regsvr32 ";
const std::wstring NotBack = L"The earlier copy is back in place but did not register again: ";
// The lock is let go before the run's one report, and the window goes last.
const std::wstring End = L"Unlock; UnloadWindow; ";
std::wstring Box(const std::wstring& box) {
    return L"ShowMessage 327696 OCX Installation|" + box + L"; ";
}
std::wstring Told(const std::wstring& box) {
    return L"Unlock; " + Box(box) + L"UnloadWindow; ";
}
std::wstring Wrote(const std::wstring& line) {
    return L"Unlock; WriteErrorLine " + line + L"; UnloadWindow; ";
}
const auto Installed = InstallResult::Installed;
const auto CopyFailed = InstallResult::CopyFailed;
const auto RegistrationFailed = InstallResult::RegistrationFailed;
const ProcessEnd Ok{};
const ProcessEnd Status5{ProcessEnd::Exited, 5};

// The trace with each tool run waited for within the time limit, as where no one can answer.
std::wstring Bounded(std::wstring trace) {
    for (std::size_t at = 0; (at = trace.find(L"Wait; ", at)) != std::wstring::npos;) {
        trace.replace(at, 6, L"Wait 300s; ");
    }
    return trace;
}

// A copy still held, renamed to say that it is queued for deletion at the restart, and queued.
std::wstring Queued(const std::wstring& file, const std::wstring& number) {
    const std::wstring queued = L"T.del-0000000" + number + L".tmp";
    return L"RenameFile " + file + L" -> " + queued + L"; DeleteAtRestart " + queued + L"; ";
}

// A call tried again after each pause while another program has the file.
std::wstring Retried(const std::wstring& call) {
    std::wstring trace = call + L"; ";
    for (const wchar_t* pause : {L"100", L"200", L"400", L"800", L"1600"}) {
        trace += L"Pause " + std::wstring(pause) + L"; " + call + L"; ";
    }
    return trace;
}

TEST(InstallSequence, InstallsFreshOrOverAnOldCopyStagingTheNewOneBeforeTheOldIsTouched) {
    ExpectRun({.Files = {Source}}, Begin + Stage + Register + End, Installed);
    ExpectRun({.Files = {Source, Target}},
              Begin + Stage + Unregister + SetAside + Register + DiscardAside + End, Installed);
    const Installation run({.Files = {Source}});
    EXPECT_EQ(run.form.FileSource, Source);
    EXPECT_EQ(run.form.FileTarget, Target);
    ScriptedPlatform idle;
    EXPECT_FALSE(frmMain(idle).Result().has_value()) << "nothing before the run";
}

TEST(InstallSequence, MissingSourceShowsOneMessageAndChangesNothing) {
    // No other run is waited for: nothing is touched.
    ExpectRun({.Files = {Target}}, Box(NotFound) + L"UnloadWindow; ", InstallResult::SourceMissing);
    // A folder out of reach (a mapped drive that the elevated run does not see) says why.
    ExpectRun({.Files = {Source, Target},
               .Failing = {L"MatchFile S"},
               .FailureDescription = L"The network path was not found."},
              Box(NotFound + L"\r\nThe network path was not found.") + L"UnloadWindow; ",
              InstallResult::SourceMissing);
    EXPECT_EQ(Installation({.Folder = L"C:\\"}).form.FileSource, L"C:\\\\morvantel.ocx")
        << "at a drive's root, both backslashes stay";
    const Installation noFolder({.Files = {Source}, .Failing = {L"ApplicationFolder"}});
    EXPECT_EQ(noFolder.form.FileSource, L"") << "a failed assignment keeps the empty text";
    EXPECT_EQ(noFolder.form.Result(), InstallResult::SourceMissing);
}

TEST(InstallSequence, SystemFolderIsTheCountedPartOfTheBufferOrNothing) {
    EXPECT_EQ(Installation({.SystemDirectory = std::string(254, 'S')}).form.FileTarget,
              std::wstring(254, L'S') + L"\\morvantel.ocx");
    // A count of 0 or beyond the buffer of 255, or a folder that cannot be converted: no folder,
    // and nothing is written or launched outside it.
    for (const Script& unusable :
         {Script{.SystemDirectory = std::string(255, 'S')}, Script{.SystemDirectoryCount = 0},
          Script{.SystemDirectoryCount = 256}, Script{.SystemDirectoryCount = 300},
          Script{.Failing = {L"FromAnsi"}}}) {
        Script script = unusable;
        script.Files = {Source};
        const Installation run(script);
        EXPECT_EQ(run.form.FileTarget, L"");
        EXPECT_EQ(run.platform.Files, Files({Source}));
        EXPECT_EQ(run.platform.CountCalls(L"Launch"), 0U);
        EXPECT_EQ(run.form.Result(), CopyFailed);
    }
}

TEST(InstallSequence, CopyFailuresAreReportedAndLeaveTheOldCopyInPlaceAndRegistered) {
    const Files both = {Source, Target};
    const std::wstring reason = L"The device is not ready.";
    const std::wstring failed = Told(CopyFailure + L"\r\n" + reason);
    // While staging, nothing else is touched.
    ExpectRun({.Files = both, .Failing = {L"CreateUniqueFile*"}, .FailureDescription = reason},
              Begin + L"CreateUniqueFile T.new-*.tmp; " + failed, CopyFailed);
    ExpectRun({.Files = both, .Failing = {L"CopyFileTo*"}, .FailureDescription = reason},
              Begin + CopyToN + DiscardStaged + failed, CopyFailed);
    ExpectRun({.Files = both, .Failing = {L"ClearReadOnly*"}, .FailureDescription = reason},
              Begin + Stage + DiscardStaged + failed, CopyFailed);
    // The message names the folder where the file really is (SysWOW64 for a 32-bit program).
    ExpectRun({.Files = {Source},
               .Failing = {L"CopyFileTo*"},
               .FailureDescription = L"",
               .RealSystemFolder = L"C:\\WINDOWS\\SysWOW64"},
              Begin + CopyToN + DiscardStaged +
                  Told(L"Cannot copy morvantel.ocx to C:\\WINDOWS\\SysWOW64\\morvantel.ocx"),
              CopyFailed);
    // While putting the new copy in place: the old one goes back before the box shows.
    ExpectRun({.Files = both, .Failing = {L"RenameFile N*"}},
              Begin + Stage + Unregister + SetAside + PutInPlace + DiscardStaged + Restore +
                  Told(CopyFailure + L"\r\nThe media is write protected."),
              CopyFailed);
    // A hidden or system file holds the name: the look for an old copy passes over it, and the
    // box says what is in the way.
    ExpectRun({.Files = both, .Hidden = {Target}},
              Begin + Stage + PutInPlace + DiscardStaged + L"" +
                  Told(CopyFailure +
                       L"\r\nA hidden or system file of that name is in the system folder."),
              CopyFailed);
    // The old copy cannot be set aside, as when a program holds it open: it stays, registered
    // again, the new one is never put over it, and the box gives the reason of that step.
    ExpectRun({.Files = both, .Failing = {L"RenameFile T*"}, .FailureDescription = reason},
              Begin + Stage + Unregister + SetAside + PutInPlace + DiscardStaged + Reregister +
                  failed,
              CopyFailed);
}

// The tool's own box has told the user only when it ran with its messages and ended by itself;
// otherwise, or where there is more to say, the installer's box says it.
TEST(InstallSequence, NewCopyThatDoesNotRegisterIsRolledBackAndEveryFailureIsTold) {
    const Files both = {Source, Target};
    const std::wstring upgrade = Begin + Stage + Unregister + SetAside + Register;
    ExpectRun({.Files = both, .ToolEnds = {Ok, Status5}}, upgrade + RemoveNew + Restore + End,
              RegistrationFailed);
    ExpectRun({.Files = {Source}, .ToolEnds = {Status5}},
              Begin + Stage + Register + RemoveNew + End, RegistrationFailed);
    // The tool could not be run, crashed or could not be started: no box of its own was seen.
    ExpectRun({.Files = both, .Failing = {L"Wait"}},
              upgrade + RemoveNew + Restore +
                  Told(NotRegistered + L"could not be run: The media is write protected.\r\n" +
                       NotBack + L"regsvr32 could not be run: The media is write protected."),
              RegistrationFailed);
    ExpectRun({.Files = {Source}, .ToolEnds = {ProcessEnd{ProcessEnd::Exited, 0x80000003}}},
              Begin + Stage + Register + RemoveNew +
                  Told(NotRegistered + L"ended with status 0x80000003"),
              RegistrationFailed);
    ExpectRun({.Files = {Source}, .Failing = {L"Launch*"}},
              Begin + Stage + PutInPlace + L"Launch T; " + L"Launch /s -u T; DeleteFiles T; " +
                  Told(NotRegistered + L"could not be started: The media is write protected."),
              RegistrationFailed);
    // No tool could be started (missing, or refused by a policy): the old copy's registration
    // is as it was, so it is not made again, and nothing claims it failed.
    ExpectRun({.Files = both, .Failing = {L"Launch*"}},
              Begin + Stage + L"Launch -u T; " + SetAside + PutInPlace +
                  L"Launch T; Launch /s -u T; " + L"DeleteFiles T; RenameFile O => T; " +
                  Told(NotRegistered + L"could not be started: The media is write protected."),
              RegistrationFailed);
    // Only the unregistration could not start: the new copy's runs changed the registration,
    // so the old copy's is made again.
    ExpectRun({.Files = both, .Failing = {L"Launch -u T"}, .ToolEnds = {Status5}},
              Begin + Stage + L"Launch -u T; " + SetAside + Register + RemoveNew + Restore + End,
              RegistrationFailed);
    // Nor does a later run that could not start undo what the earlier ones changed.
    ExpectRun({.Files = both, .Failing = {L"Launch /s -u T"}, .ToolEnds = {Ok, Status5}},
              upgrade + L"Launch /s -u T; DeleteFiles T; " + Restore + End, RegistrationFailed);
    // The old copy is back, but does not register again.
    ExpectRun({.Files = both, .ToolEnds = {Ok, Status5, Ok, Status5}},
              upgrade + RemoveNew + Restore +
                  Told(NotRegistered + L"ended with status 5\r\n" + NotBack +
                       L"regsvr32 ended with status 5"),
              RegistrationFailed);
    // The old copy cannot be put back: nothing is registered in its place, and the box says
    // where it is.
    const Installation kept(
        {.Files = both, .Failing = {L"RenameFile O*"}, .ToolEnds = {Ok, Status5}});
    EXPECT_EQ(kept.Trace(),
              upgrade + RemoveNew + L"RenameFile O => T; " +
                  Told(NotRegistered + L"ended with status 5\r\nThe earlier copy is kept as O"));
    EXPECT_EQ(kept.platform.Files, Files({Source, Target + L".old-00000002.tmp"}));
}

// A program keeps the new copy loaded (the control started it): the copy leaves the control's
// name before it is queued for deletion at the restart, so that a good copy that a later run
// puts there survives the restart, and an old copy can go back.
TEST(InstallSequence, HeldNewCopyIsNeverQueuedForDeletionUnderTheControlsName) {
    const std::wstring staged = Target + L".new-00000001.tmp";
    const std::wstring moved = L"T.del-00000002.tmp";
    const Installation fresh({.Files = {Source}, .InUse = {staged}, .ToolEnds = {Status5}});
    EXPECT_EQ(fresh.Trace(),
              Begin + Stage + Register + SilentUnregister + Retried(L"DeleteFiles T") + L"" +
                  L"RenameFile T -> " + moved + L"; ClearReadOnly " + moved + L"; " +
                  Retried(L"DeleteFiles " + moved) + L"DeleteAtRestart " + moved + L"; " + End);
    Script later = static_cast<const Script&>(fresh.platform);
    later.ToolEnds.clear();
    const Installation good(later);
    EXPECT_EQ(good.form.Result(), Installed);
    EXPECT_EQ(good.platform.AfterRestart(), Files({Source, Target}));

    const Installation upgrade(
        {.Files = {Source, Target}, .InUse = {staged}, .ToolEnds = {Ok, Status5}});
    EXPECT_EQ(upgrade.form.Result(), RegistrationFailed);
    EXPECT_EQ(upgrade.platform.CountCalls(L"ShowMessage"), 0U) << "the old copy is back";
    EXPECT_EQ(upgrade.platform.AfterRestart(), Files({Source, Target}));
    // Not even renamed: it stays, unregistered, and the box says so.
    const Installation stuck({.Files = {Source},
                              .InUse = {staged},
                              .Failing = {L"RenameFile T -> T.del*"},
                              .ToolEnds = {Status5}});
    EXPECT_TRUE(stuck.platform.AtRestart.empty());
    EXPECT_TRUE(stuck.Trace().ends_with(Told(
        NotRegistered + L"ended with status 5\r\nThe new copy could not be removed and is left "
                        L"unregistered as T")));
}

TEST(InstallSequence, StepFailuresThatStillEndInstalled) {
    // The old copy could not be unregistered: it is still set aside and replaced.
    ExpectRun({.Files = {Source, Target}, .Failing = {L"Launch -u*"}},
              Begin + Stage + L"Launch -u T; " + SetAside + Register + DiscardAside + End,
              Installed);
    // An unsearchable target counts as an old copy; there is none to set aside.
    ExpectRun({.Files = {Source}, .Failing = {L"MatchFile T"}},
              Begin + Stage + Unregister + SetAside + Register + End, Installed);
    // The old copy is still loaded by a program: it goes at the next restart.
    ExpectRun({.Files = {Source, Target}, .InUse = {Target}},
              Begin + Stage + Unregister + SetAside + Register + L"ClearReadOnly O; " +
                  Retried(L"DeleteFiles O") + Queued(L"O", L"3") + End,
              Installed);
    // A scanner holds the new copy for a moment: it is put in place at the third try.
    ExpectRun({.Files = {Source, Target}, .Busy = {L"RenameFile N*", L"RenameFile N*"}},
              Begin + Stage + Unregister + SetAside +
                  L"RenameFile N -> T; Pause 100; RenameFile N -> T; Pause 200; " + Register +
                  DiscardAside + End,
              Installed);
    // No lock to be had (the system gave none; no other account can make it fail): the run
    // goes ahead.
    ExpectRun({.Files = {Source}, .Failing = {L"Lock*"}},
              Begin + Stage + Register + L"UnloadWindow; ", Installed);
    // Without a job (Windows 7 in a job of its own), the tool runs alone, all the same.
    ExpectRun({.Files = {Source}, .Failing = {L"Job"}}, Begin + Stage + Register + End, Installed);
}

// Leftovers of runs that were cut off: staged copies go first, one of them still loaded at the
// next restart; a copy set aside, maybe the last that worked, goes only once the new copy has
// registered. A file that another program named alike is left alone.
TEST(InstallSequence, LeftoversOfEarlierRunsAreRemovedAndNothingElse) {
    const std::wstring staged = Target + L".new-0000ABCD.tmp";
    const std::wstring held = Target + L".old-DEADBEEF.tmp";
    const std::wstring foreign = Target + L".old-copy1234.tmp";
    const Script script{.Files = {Source, Target, staged, held, foreign}, .InUse = {held}};
    const Installation run(script);
    EXPECT_EQ(run.Trace(), Begin + L"ClearReadOnly T.new-0000ABCD.tmp; " +
                               L"DeleteFiles T.new-0000ABCD.tmp; " + Stage + Unregister + SetAside +
                               Register + DiscardAside + L"ClearReadOnly T.old-DEADBEEF.tmp; " +
                               Retried(L"DeleteFiles T.old-DEADBEEF.tmp") +
                               Queued(L"T.old-DEADBEEF.tmp", L"3") + End);
    EXPECT_EQ(run.platform.AfterRestart(), Files({Source, Target, foreign}));

    // A free name is taken by the rename itself: one that another file has is passed over.
    const Installation taken({.Files = {Source, Target, Target + L".old-00000002.tmp"}});
    EXPECT_NE(taken.Trace().find(L"RenameFile T -> O; RenameFile T -> T.old-00000003.tmp; "),
              std::wstring::npos);
    EXPECT_EQ(taken.platform.AfterRestart(), Files({Source, Target}));
}

// Each kind of leftover apart: a copy queued for deletion at the restart is no one's (one try
// to delete it, queued again while it is held, never named); an empty old copy is no copy; an
// old copy with something in it may be the last that worked, and a run that fails names it.
TEST(InstallSequence, LeftoversAreToldApartByKind) {
    const std::wstring queued = Target + L".del-0000AAAA.tmp";
    const std::wstring empty = Target + L".old-0000BBBB.tmp";
    const std::wstring earlier = Target + L".old-0000CCCC.tmp";
    const Installation run({.Files = {Source, Target, queued, empty, earlier},
                            .InUse = {queued},
                            .Empty = {empty},
                            .ToolEnds = {Ok, Status5}});
    EXPECT_EQ(run.Trace(),
              Begin + L"DeleteFiles T.del-0000AAAA.tmp; DeleteAtRestart T.del-0000AAAA.tmp; " +
                  L"ClearReadOnly T.old-0000BBBB.tmp; DeleteFiles T.old-0000BBBB.tmp; " + Stage +
                  Unregister + SetAside + Register + RemoveNew + Restore +
                  Told(NotRegistered +
                       L"ended with status 5\r\nAn earlier copy is kept as T.old-0000CCCC.tmp"));
    EXPECT_EQ(run.platform.AfterRestart(), Files({Source, Target, earlier}));
}

TEST(InstallSequence, UnattendedRunShowsNoBoxBoundsItsWaitsAndWritesTheLine) {
    const SessionFacts hidden{.StationVisible = false, .Id = 1, .State = SessionState::Active};
    ExpectRun({.Files = {Source, Target}, .Session = hidden},
              Bounded(Unseen + Stage + SilentUnregister + SetAside + PutInPlace + Reregister +
                      DiscardAside + End),
              Installed);
    ExpectRun({.Session = hidden}, Unheard + L"WriteErrorLine " + NotFound + L"; UnloadWindow; ",
              InstallResult::SourceMissing);
    ExpectRun({.Files = {Source}, .Failing = {L"CopyFileTo*"}, .Session = hidden},
              Unseen + CopyToN + DiscardStaged +
                  Wrote(CopyFailure + L": The media is write protected."),
              CopyFailed);
    // Another run holds the lock past the limit: nothing is touched, and deployment tools retry.
    ExpectRun({.Files = {Source, Target}, .Session = hidden, .LockHeld = true},
              Unheard + L"Lock ocxsetup.morvantel.ocx 1800s; WriteErrorLine morvantel.ocx was not "
                        L"installed: another installation is still running; UnloadWindow; ",
              InstallResult::AnotherInstallRunning);
    EXPECT_EQ(Installation({.Files = {Source}, .LockHeld = true}).form.Result(), Installed)
        << "where someone can answer, the run waits as long as it takes";
    // Session 0, a logon screen and a session no one is connected to are unseen too, however
    // visible the station, and so is the system's own account on a user's desktop, as deployment
    // tools start it. A tool run that fails, shows a window or outlasts the limit is rolled back,
    // and the line says why; a crash is told by its exception code.
    const std::wstring rolledBack = Bounded(Unseen + Stage + SilentUnregister + SetAside +
                                            PutInPlace + Reregister + RemoveNew + Restore);
    using enum SessionState;
    for (const auto& [session, ends, line] :
         {std::tuple{SessionFacts{true, 0, Active}, std::deque{Ok, Status5},
                     std::wstring(L"ended with status 5")},
          {SessionFacts{true, 1, Connected}, std::deque{Ok, ProcessEnd{ProcessEnd::ShowedWindow}},
           L"showed a window that no one can answer and was ended"},
          {SessionFacts{true, 1, Disconnected}, std::deque{Ok, ProcessEnd{ProcessEnd::TimedOut}},
           L"did not end within 5 minutes and was ended"},
          {SessionFacts{false, 1, Active}, std::deque{Ok, Status5, Ok, Status5},
           L"ended with status 5: " + NotBack + L"regsvr32 ended with status 5"},
          {SessionFacts{true, 1, Active, true},
           std::deque{Ok, ProcessEnd{ProcessEnd::Exited, 0xC0000005}},
           L"ended with status 0xC0000005"}}) {
        std::wstring trace = rolledBack;
        trace += Wrote(NotRegistered + line);
        ExpectRun({.Files = {Source, Target}, .ToolEnds = ends, .Session = session}, trace,
                  RegistrationFailed);
    }
    // A user logged on, watched by another, can answer.
    const SessionFacts shadowed{.StationVisible = true, .Id = 1, .State = SessionState::Shadow};
    ExpectRun({.Files = {Source}, .Session = shadowed}, Begin + Stage + Register + End, Installed);
}

// Every trace above shows the tool by its full path in the system folder, started there. Here
// the system folder's name has a blank or a tab, and the control's path must reach the tool as one
// argument.
TEST(RegisterControl, QuotesTheControlsPathWhenTheSystemFolderHasABlankOrATab) {
    const std::wstring quoted = Begin + Stage + L"Launch -u \"T\"; " + L"Job; Wait; " + SetAside +
                                PutInPlace + L"" + L"Launch \"T\"; Job; Wait; " + DiscardAside +
                                End;
    for (const std::string folder : {"D:\\Win Dir", "D:\\Win\tDir"}) {
        const std::wstring target = std::wstring(folder.begin(), folder.end()) + L"\\morvantel.ocx";
        EXPECT_EQ(Installation({.Files = {Source, target}, .SystemDirectory = folder}).Trace(),
                  quoted);
    }
}

// Every way an operation can fail, each switched on or off independently, over each of the four
// cases of source and target present or not.
TEST(FailureCombinations, EveryRunEndsOnceAndLeavesTheFilesAsTheyWereOrReportsTheKeptCopy) {
    const std::wstring list = L"GetSystemDirectoryA; MatchFile S; MatchFile T; CreateUniqueFile*; "
                              L"CopyFileTo*; ClearReadOnly*; RenameFile T*; RenameFile N*; "
                              L"RenameFile O*; Launch -u*; Launch T*; Launch /s*; "
                              L"Wait; DeleteFiles*; UnloadWindow; ";
    std::vector<std::wstring> points;
    for (std::size_t at = 0, end = 0; (end = list.find(L"; ", at)) != std::wstring::npos;
         at = end + 2) {
        points.push_back(list.substr(at, end - at));
    }
    for (unsigned present = 0; present < 4; ++present) {
        for (unsigned mask = 0; mask < (1U << points.size()); ++mask) {
            Script script;
            for (std::size_t i = 0; i < points.size(); ++i) {
                if ((mask & (1U << i)) != 0) {
                    script.Failing.push_back(points[i]);
                }
            }
            const auto fails = [&](const wchar_t* point) {
                return std::ranges::count(script.Failing, point) != 0;
            };
            for (const auto& [bit, file] : {std::pair{1U, Source}, {2U, Target}}) {
                if ((present & bit) != 0) {
                    script.Files.insert(file);
                }
            }
            const Installation run(script);
            const ScriptedPlatform& platform = run.platform;
            const std::optional<InstallResult> result = run.form.Result();
            SCOPED_TRACE(::testing::Message() << "present " << present << " mask " << mask);
            const std::size_t calls = platform.Calls.size();
            const bool missing = !script.Files.contains(Source) || fails(L"MatchFile S");
            ASSERT_EQ(platform.CountCalls(L"Lock"), missing ? 0U : 1U);
            ASSERT_EQ(platform.CountCalls(L"Unlock"), missing ? 0U : 1U);
            ASSERT_EQ(platform.CountCalls(L"UnloadWindow"), 1U);
            ASSERT_EQ(platform.Calls.back(), L"UnloadWindow");
            const std::size_t boxes = platform.CountCalls(L"ShowMessage");
            ASSERT_LE(boxes, 1U);
            if (!missing) {
                ASSERT_EQ(platform.Calls[0], L"Lock ocxsetup.morvantel.ocx") << "before any file";
                ASSERT_EQ(platform.Calls[calls - 2 - boxes], L"Unlock") << "the box after the lock";
            }
            ASSERT_LE(platform.CountCalls(L"CopyFileTo"), 1U);
            ASSERT_LE(platform.CountCalls(L"CreateUniqueFile"), 1U);
            ASSERT_LE(platform.CountCalls(L"Launch"), 4U);
            ASSERT_LE(platform.CountCalls(L"Wait"), platform.CountCalls(L"Launch"));
            ASSERT_EQ(platform.CountCalls(L"Wait held"), 0U) << "every tool is let run";
            ASSERT_TRUE(result.has_value());
            if (missing) {
                ASSERT_EQ(result, InstallResult::SourceMissing);
                ASSERT_EQ(calls, 2U) << "no file touched, no tool run: the box, then the window";
            }
            const std::wstring box = boxes == 0 ? L"" : platform.Calls[calls - 2];
            if (result == Installed) {
                ASSERT_EQ(boxes, 0U);
                ASSERT_EQ(platform.AfterRestart(), WithTarget(script.Files))
                    << "no temporary file is left";
                continue;
            }
            // A failure that no box tells is one that the tool's own box told, with the files
            // as they were.
            if (boxes == 0) {
                ASSERT_EQ(result, RegistrationFailed);
                ASSERT_FALSE(fails(L"Wait") || fails(L"Launch T*"));
            }
            // Otherwise the old copy is back and nothing is left, or the box says where it is.
            if (box.ends_with(L"\r\nThe earlier copy is kept as O")) {
                ASSERT_TRUE(fails(L"RenameFile O*"));
                ASSERT_TRUE(platform.Files.contains(Target + L".old-00000002.tmp"));
            } else if (box.ends_with(L"left unregistered as T")) {
                ASSERT_TRUE(fails(L"DeleteFiles*") && fails(L"RenameFile T*"));
                ASSERT_TRUE(platform.Files.contains(Target));
            } else {
                ASSERT_EQ(platform.AfterRestart(), script.Files);
            }
        }
    }
}

// A run cut off after each of its calls in turn, as by a power cut, with the old copy loaded by a
// program or not: the next run over the files as they were then installs, and nothing of the
// first is left but what a program holds, which goes at the restart. A next run that fails
// instead keeps the old copy that the cut-off run set aside, maybe the last that worked, and
// names it.
TEST(CutOff, TheNextRunClearsWhatTheCutOffRunLeftOnlyOnceItHasInstalled) {
    const std::wstring aside = Target + L".old-00000002.tmp";
    for (const bool held : {false, true}) {
        Script script{.Files = {Source, Target}};
        if (held) {
            script.InUse = {Target};
        }
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
                         << "held " << held << ", cut after "
                         << testing::PrintToString(first.platform.Calls[cut - 1]));
            EXPECT_EQ(second.form.Result(), Installed);
            EXPECT_EQ(second.platform.AfterRestart(), Files({Source, Target}));
            EXPECT_FALSE(second.platform.InUse.contains(Target)) << "the new copy is in place";
            EXPECT_LE(second.platform.CountCalls(L"DeleteAtRestart"), held ? 1U : 0U);

            again.Failing = {L"Launch T*"};
            const Installation failing(again);
            EXPECT_EQ(failing.form.Result(), RegistrationFailed);
            if (again.Files.contains(aside)) {
                EXPECT_TRUE(failing.platform.AfterRestart().contains(aside));
                EXPECT_TRUE(failing.Trace().find(L"\r\nAn earlier copy is kept as O; Unload") !=
                            std::wstring::npos);
            }
        }
    }
}

} // namespace
} // namespace ocx::test
