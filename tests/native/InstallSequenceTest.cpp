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
const std::wstring Start = L"Lock ocxsetup.morvantel.ocx; Session; ";
const std::wstring Paths = L"ApplicationFolder; GetSystemDirectoryA; MatchFile S; ";
const std::wstring Unheard = Start + L"SilenceSystemErrors; " + Paths;
// Runs that go on: the look for leftovers of earlier runs comes first.
const std::wstring Begin = Start + Paths + L"MatchFiles T.*.tmp; ";
const std::wstring Unseen = Unheard + L"MatchFiles T.*.tmp; ";
const std::wstring CopyToN = L"MatchFile T; CreateUniqueFile T.new-*.tmp; CopyFileTo S -> N; ";
const std::wstring Stage = CopyToN + L"ClearReadOnly N; ";
const std::wstring DiscardStaged = L"ClearReadOnly N; DeleteFiles N; ";
const std::wstring Unregister = L"GetSystemDirectoryA; ShellExecuteA -u T; Wait; ";
const std::wstring SetAside = L"CreateUniqueFile T.old-*.tmp; RenameFile T => O; ";
const std::wstring PutInPlace = L"RenameFile N -> T; ";
const std::wstring Register = PutInPlace + L"GetSystemDirectoryA; ShellExecuteA T; Wait; ";
const std::wstring DiscardAside = L"ClearReadOnly O; DeleteFiles O; ";
const std::wstring SilentUnregister = L"GetSystemDirectoryA; ShellExecuteA /s -u T; Wait; ";
const std::wstring RemoveNew = SilentUnregister + L"DeleteFiles T; ";
const std::wstring RemoveOnly = SilentUnregister + L"ClearReadOnly T; DeleteFiles T; ";
const std::wstring Reregister = L"GetSystemDirectoryA; ShellExecuteA /s T; Wait; ";
const std::wstring Restore = L"RenameFile O => T; " + Reregister;
const std::wstring Box = L"ShowMessage 65552 OCX Installation|";
const std::wstring NotFound = L"Source file morvantel.ocx not found";
const std::wstring CopyFailure = L"Cannot copy morvantel.ocx to T";
const std::wstring NotRegistered = L"morvantel.ocx did not register: regsvr32 ";
const std::wstring End = L"UnloadWindow; Unlock; ";
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
    ExpectRun({.Files = {Target}}, Start + Paths + Box + NotFound + L"; " + End,
              InstallResult::SourceMissing);
    // A folder out of reach (a mapped drive that the elevated run does not see) says why.
    ExpectRun({.Files = {Source, Target},
               .Failing = {L"MatchFile S"},
               .FailureDescription = L"The network path was not found."},
              Start + Paths + Box + NotFound + L"\r\nThe network path was not found.; " + End,
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
        EXPECT_EQ(run.platform.CountCalls(L"ShellExecuteA"), 0U);
        EXPECT_EQ(run.form.Result(), CopyFailed);
    }
}

TEST(InstallSequence, CopyFailuresAreReportedAndLeaveTheOldCopyInPlaceAndRegistered) {
    const Files both = {Source, Target};
    const std::wstring reason = L"The device is not ready.";
    const std::wstring failed = Box + CopyFailure + L"\r\n" + reason + L"; " + End;
    // While staging, nothing else is touched.
    ExpectRun({.Files = both, .Failing = {L"CreateUniqueFile*"}, .FailureDescription = reason},
              Begin + L"MatchFile T; CreateUniqueFile T.new-*.tmp; " + failed, CopyFailed);
    ExpectRun({.Files = both, .Failing = {L"CopyFileTo*"}, .FailureDescription = reason},
              Begin + CopyToN + DiscardStaged + failed, CopyFailed);
    ExpectRun({.Files = both, .Failing = {L"ClearReadOnly*"}, .FailureDescription = reason},
              Begin + Stage + DiscardStaged + failed, CopyFailed);
    ExpectRun({.Files = {Source}, .Failing = {L"CopyFileTo*"}, .FailureDescription = L""},
              Begin + CopyToN + DiscardStaged + Box + CopyFailure + L"; " + End, CopyFailed);
    // While putting the new copy in place: the old one goes back before the box shows.
    ExpectRun({.Files = both, .Failing = {L"RenameFile N*"}},
              Begin + Stage + Unregister + SetAside + PutInPlace + DiscardStaged + Restore + Box +
                  CopyFailure + L"\r\nThe media is write protected.; " + End,
              CopyFailed);
    // The old copy cannot be set aside, as when a program holds it open: it stays, registered
    // again, and the new one is never put over it.
    ExpectRun({.Files = both, .Failing = {L"RenameFile T*"}},
              Begin + Stage + Unregister + SetAside + DiscardAside + PutInPlace + DiscardStaged +
                  Reregister + Box + CopyFailure +
                  L"\r\nCannot create a file when that file already exists.; " + End,
              CopyFailed);
}

TEST(InstallSequence, NewCopyThatDoesNotRegisterIsRolledBackSilently) {
    const std::wstring upgrade = Begin + Stage + Unregister + SetAside + Register;
    // The tool reports a failure, its end cannot be read, or the shell refuses to start it.
    ExpectRun({.Files = {Source, Target}, .ToolEnds = {Ok, Status5}},
              upgrade + RemoveNew + Restore + End, RegistrationFailed);
    ExpectRun({.Files = {Source, Target}, .Failing = {L"Wait"}},
              upgrade + RemoveNew + Restore + End, RegistrationFailed);
    ExpectRun({.Files = {Source}, .ToolEnds = {Status5}},
              Begin + Stage + Register + RemoveOnly + End, RegistrationFailed);
    ExpectRun({.Files = {Source}, .ShellResult = 2},
              Begin + Stage + PutInPlace + L"GetSystemDirectoryA; ShellExecuteA T; " +
                  L"GetSystemDirectoryA; ShellExecuteA /s -u T; ClearReadOnly T; DeleteFiles T; " +
                  End,
              RegistrationFailed);
    // The old copy cannot be put back: nothing is registered in its place, and the box says
    // where it is.
    const Installation kept(
        {.Files = {Source, Target}, .Failing = {L"RenameFile O*"}, .ToolEnds = {Ok, Status5}});
    EXPECT_EQ(kept.Trace(), upgrade + RemoveNew + L"RenameFile O => T; " + Box + NotRegistered +
                                L"ended with status 5\r\nThe earlier copy is kept as O; " + End);
    EXPECT_EQ(kept.platform.Files, Files({Source, Target + L".old-00000002.tmp"}));
}

TEST(InstallSequence, StepFailuresThatStillEndInstalled) {
    // The old copy could not be unregistered: it is still set aside and replaced.
    ExpectRun({.Files = {Source, Target}, .Failing = {L"ShellExecuteA -u*"}},
              Begin + Stage + L"GetSystemDirectoryA; ShellExecuteA -u T; " + SetAside + Register +
                  DiscardAside + End,
              Installed);
    // An unsearchable target counts as an old copy; there is none to set aside.
    ExpectRun({.Files = {Source}, .Failing = {L"MatchFile T"}},
              Begin + Stage + Unregister + SetAside + DiscardAside + Register + End, Installed);
    // The old copy is still loaded by a program: it goes at the next restart.
    ExpectRun({.Files = {Source, Target}, .InUse = {Target}},
              Begin + Stage + Unregister + SetAside + Register + L"ClearReadOnly O; " +
                  Retried(L"DeleteFiles O") + L"DeleteAtRestart O; " + End,
              Installed);
    // A scanner holds the new copy for a moment: it is put in place at the third try.
    ExpectRun({.Files = {Source, Target}, .Busy = {L"RenameFile N*", L"RenameFile N*"}},
              Begin + Stage + Unregister + SetAside +
                  L"RenameFile N -> T; Pause 100; RenameFile N -> T; Pause 200; " + Register +
                  DiscardAside + End,
              Installed);
    // With no window the launches still go ahead, owned by none.
    ExpectRun({.Files = {Source}, .Failing = {L"WindowHandle"}},
              Begin + Stage + PutInPlace + L"GetSystemDirectoryA; ShellExecuteA unowned T; Wait; " +
                  End,
              Installed);
}

// Leftovers of runs that were cut off go first, one of them still loaded at the next restart;
// a file that another program named alike is left alone.
TEST(InstallSequence, LeftoversOfEarlierRunsAreRemovedAndNothingElse) {
    const std::wstring staged = Target + L".new-0000ABCD.tmp";
    const std::wstring held = Target + L".old-DEADBEEF.tmp";
    const std::wstring foreign = Target + L".old-copy1234.tmp";
    const Installation run({.Files = {Source, Target, staged, held, foreign}, .InUse = {held}});
    EXPECT_EQ(run.Trace(),
              Begin + L"ClearReadOnly T.new-0000ABCD.tmp; " +
                  L"DeleteFiles T.new-0000ABCD.tmp; ClearReadOnly T.old-DEADBEEF.tmp; " +
                  Retried(L"DeleteFiles T.old-DEADBEEF.tmp") +
                  L"DeleteAtRestart T.old-DEADBEEF.tmp; " + Stage + Unregister + SetAside +
                  Register + DiscardAside + End);
    EXPECT_EQ(run.platform.AfterRestart(), Files({Source, Target, foreign}));
}

TEST(InstallSequence, UnattendedRunShowsNoBoxBoundsTheToolAndWritesTheLine) {
    const SessionFacts hidden{.StationVisible = false, .Id = 1, .Connected = true};
    ExpectRun({.Files = {Source, Target}, .Session = hidden},
              Bounded(Unseen + Stage + SilentUnregister + SetAside + PutInPlace + Reregister +
                      DiscardAside + End),
              Installed);
    ExpectRun({.Session = hidden}, Unheard + L"WriteErrorLine " + NotFound + L"; " + End,
              InstallResult::SourceMissing);
    ExpectRun({.Files = {Source}, .Failing = {L"CopyFileTo*"}, .Session = hidden},
              Unseen + CopyToN + DiscardStaged + L"WriteErrorLine " + CopyFailure +
                  L": The media is write protected.; " + End,
              CopyFailed);
    // Session 0 and a session no one is connected to are unseen too, however visible the
    // station. A tool run that fails, shows a window or outlasts the limit is rolled back, and
    // the line says why.
    const std::wstring rolledBack = Bounded(Unseen + Stage + SilentUnregister + SetAside +
                                            PutInPlace + Reregister + RemoveNew + Restore) +
                                    L"WriteErrorLine " + NotRegistered;
    for (const auto& [session, end, line] :
         {std::tuple{SessionFacts{.StationVisible = true, .Id = 0, .Connected = true}, Status5,
                     L"ended with status 5; " + End},
          {SessionFacts{.StationVisible = true, .Id = 1, .Connected = false},
           ProcessEnd{ProcessEnd::ShowedWindow},
           L"showed a window that no one can answer and was ended; " + End},
          {hidden, ProcessEnd{ProcessEnd::TimedOut},
           L"did not end within 5 minutes and was ended; " + End}}) {
        ExpectRun({.Files = {Source, Target}, .ToolEnds = {Ok, end}, .Session = session},
                  rolledBack + line, RegistrationFailed);
    }
}

// Every trace above shows the tool by its full path in the system folder, started there. Here
// the system folder's name has a blank or a tab, and the control's path must reach the tool as one
// argument.
TEST(RegisterControl, QuotesTheControlsPathWhenTheSystemFolderHasABlankOrATab) {
    const std::wstring quoted = Begin + Stage + L"GetSystemDirectoryA; ShellExecuteA -u \"T\"; " +
                                L"Wait; " + SetAside + PutInPlace + L"GetSystemDirectoryA; " +
                                L"ShellExecuteA \"T\"; Wait; " + DiscardAside + End;
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
                              L"RenameFile O*; ShellExecuteA -u*; ShellExecuteA T*; "
                              L"ShellExecuteA /s*; Wait; DeleteFiles*; UnloadWindow; ";
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
            ASSERT_EQ(platform.CountCalls(L"UnloadWindow"), 1U);
            ASSERT_EQ(platform.Calls.front(), L"Lock ocxsetup.morvantel.ocx");
            ASSERT_EQ(platform.Calls[platform.Calls.size() - 2], L"UnloadWindow");
            ASSERT_EQ(platform.Calls.back(), L"Unlock");
            ASSERT_LE(platform.CountCalls(L"MatchFile "), 2U);
            ASSERT_LE(platform.CountCalls(L"CopyFileTo"), 1U);
            ASSERT_LE(platform.CountCalls(L"CreateUniqueFile"), 2U);
            ASSERT_LE(platform.CountCalls(L"ShellExecuteA"), 4U);
            ASSERT_LE(platform.CountCalls(L"Wait"), platform.CountCalls(L"ShellExecuteA"));
            ASSERT_TRUE(result.has_value());
            if (!script.Files.contains(Source) || fails(L"MatchFile S")) {
                ASSERT_EQ(result, InstallResult::SourceMissing);
                ASSERT_EQ(platform.Calls.size(), 8U) << "no file touched, no tool run";
            }
            // Where the old copy could not be put back, the report says where it is.
            const bool kept = std::ranges::any_of(platform.Calls, [](const std::wstring& call) {
                return call.ends_with(L"\r\nThe earlier copy is kept as O");
            });
            const bool silent = result == Installed || (result == RegistrationFailed && !kept);
            ASSERT_EQ(platform.CountCalls(L"ShowMessage"), silent ? 0U : 1U);
            if (result == Installed) {
                ASSERT_EQ(platform.AfterRestart(), WithTarget(script.Files))
                    << "no temporary file is left";
                continue;
            }
            // Otherwise the old copy is back and nothing is left.
            if (kept) {
                ASSERT_TRUE(fails(L"RenameFile O*"));
                ASSERT_TRUE(platform.Files.contains(Target + L".old-00000002.tmp"));
            } else {
                ASSERT_EQ(platform.AfterRestart(), script.Files);
            }
        }
    }
}

// A run cut off after each of its calls in turn, as by a power cut, with the old copy loaded by a
// program or not: the next run over the files as they were then installs, and nothing of the
// first is left but what a program holds, which goes at the restart.
TEST(CutOff, TheNextRunInstallsAndClearsWhatTheCutOffRunLeft) {
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
        }
    }
}

} // namespace
} // namespace ocx::test
