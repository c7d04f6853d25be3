#include "tests/native/InstallRun.h"

#include <algorithm>

namespace ocx::test {
namespace {

TEST(frmMain, InstallsFreshOrOverAnOldCopyStagingTheNewOneBeforeTheOldIsTouched) {
    ExpectRun({.Files = {Source}}, Begin + Stage + PlaceAndRegister + End, Installed);
    ExpectRun({.Files = Both},
              Begin + Stage + Unregister + SetAside + PlaceAndRegister + DiscardAside + End,
              Installed);
}

TEST(frmMain, MissingSourceShowsOneMessageAndChangesNothing) {
    // No other run is waited for: nothing is touched.
    ExpectRun({.Files = {Target}}, Box(NotFound) + L"UnloadWindow; ", InstallResult::SourceMissing);
    // A folder out of reach (a mapped drive that the elevated run does not see) says why.
    ExpectRun({.Files = Both,
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

TEST(frmMain, SystemFolderIsTheCountedPartOfTheBufferOrNothing) {
    EXPECT_EQ(Installation({.SystemDirectory = std::string(254, 'S')}).form.FileTarget,
              std::wstring(254, L'S') + L"\\morvantel.ocx");
    // A count of 0 or beyond the buffer of 255, or no conversion: nothing is written or launched.
    int row = 0;
    for (const Script& unusable :
         {Script{.SystemDirectory = std::string(255, 'S')}, Script{.SystemDirectoryCount = 0},
          Script{.SystemDirectoryCount = 256}, Script{.SystemDirectoryCount = 300},
          Script{.Failing = {L"FromAnsi"}}}) {
        SCOPED_TRACE(::testing::Message() << "unusable system folder, row " << ++row);
        Script script = unusable;
        script.Files = {Source};
        const Installation run(script);
        EXPECT_EQ(run.form.FileTarget, L"");
        EXPECT_EQ(run.platform.Files, Files({Source}));
        EXPECT_EQ(run.platform.CountCalls(L"Launch"), 0U);
        EXPECT_EQ(run.form.Result(), CopyFailed);
    }
}

TEST(frmMain, UnattendedRunShowsNoBoxBoundsItsWaitsAndWritesTheLine) {
    ExpectRun({.Files = Both, .Session = Unattended},
              Bounded(Unseen + Stage + SilentUnregister + SetAside + PutInPlace + SilentRegister +
                      DiscardAside + End),
              Installed);
    // An upgrade whose old copy a program has loaded: the line says how long it stays.
    ExpectCallsEndWith(
        Installation({.Files = Both, .InUse = {Target}, .Session = Unattended}),
        UnlockThenLine(L"morvantel.ocx was installed; the earlier copy, still in use, is left as "
                       L"T.del-00000003.tmp until the restart deletes it"));
    ExpectRun({.Session = Unattended},
              SystemBoxesSilenced + L"WriteErrorLine " + NotFound + L"; UnloadWindow; ",
              InstallResult::SourceMissing);
    ExpectRun({.Files = {Source}, .Failing = {L"CopyFileTo*"}, .Session = Unattended},
              Unseen + CopyToN + DiscardStaged +
                  UnlockThenLine(CopyFailure + L": The media is write protected."),
              CopyFailed);
    // Another run holds the lock past the limit: nothing is touched, and deployment tools retry.
    ExpectRun({.Files = Both, .Session = Unattended, .LockHeld = true},
              SystemBoxesSilenced +
                  L"Lock ocxsetup.morvantel.ocx.lock 1800s; WriteErrorLine morvantel.ocx was not "
                  L"installed: another installation is still running; UnloadWindow; ",
              InstallResult::AnotherInstallRunning);
    EXPECT_EQ(Installation({.Files = {Source}, .LockHeld = true}).form.Result(), Installed)
        << "where someone can answer, the run waits as long as it takes";
    // Session 0, a logon screen, a disconnected session and the system account are unseen too. A
    // tool run that fails, shows a window or outlasts the limit is rolled back; the line says why.
    const std::wstring rolledBack = Bounded(Unseen + Stage + SilentUnregister + SetAside +
                                            PutInPlace + SilentRegister + RemoveNew + Restore);
    using enum SessionState;
    struct Row {
        SessionFacts Session;
        std::deque<ProcessEnd> Ends;
        std::wstring Line;
    };
    const std::vector<Row> rows{
        {.Session = {.StationVisible = true, .Id = 0, .State = Active},
         .Ends = {Ok, Status5},
         .Line = L"ended with status 5"},
        {.Session = {.StationVisible = true, .Id = 1, .State = Connected},
         .Ends = {Ok, {.How = ProcessEnd::ShowedWindow}},
         .Line = L"showed a window that no one can answer and was ended"},
        {.Session = {.StationVisible = true, .Id = 1, .State = Disconnected},
         .Ends = {Ok, {.How = ProcessEnd::TimedOut}},
         .Line = L"did not end within 5 minutes and was ended"},
        {.Session = {.StationVisible = false, .Id = 1, .State = Active},
         .Ends = {Ok, Status5, Ok, Status5},
         .Line = L"ended with status 5: " + NotBack + L"regsvr32 ended with status 5"},
        {.Session = {.StationVisible = true, .Id = 1, .State = Active, .LocalSystem = true},
         .Ends = {Ok, {.Status = 0xC0000005}},
         .Line = L"ended with status 0xC0000005"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Line);
        std::wstring expected = rolledBack;
        expected += UnlockThenLine(NotRegistered + row.Line);
        ExpectRun({.Files = Both, .ToolEnds = row.Ends, .Session = row.Session}, expected,
                  RegistrationFailed);
    }
    // A user logged on, watched by another, can answer.
    const SessionFacts shadowed{.StationVisible = true, .Id = 1, .State = SessionState::Shadow};
    ExpectRun({.Files = {Source}, .Session = shadowed}, Begin + Stage + PlaceAndRegister + End,
              Installed);
}

// No run works unlocked: a lock that cannot be had as it must be (its folder is a file or a link,
// it cannot be made the administrators' own, it is refused) ends the run, which says why.
TEST(frmMain, LockThatCannotBeUsedEndsTheRunBeforeItTouchesAnything) {
    const std::wstring lock = L"The installation lock C:\\WINDOWS\\SysWOW64\\ocxsetup\\"
                              L"ocxsetup.morvantel.ocx.lock cannot be used: ";
    ExpectRun({.Files = Both,
               .Failing = {L"Lock*"},
               .FailureDescription = L"Its folder is not a plain folder.",
               .RealSystemFolder = L"C:\\WINDOWS\\SysWOW64"},
              Begin +
                  Box(L"Cannot copy morvantel.ocx to C:\\WINDOWS\\SysWOW64\\morvantel.ocx\r\n" +
                      lock + L"Its folder is not a plain folder.") +
                  L"UnloadWindow; ",
              CopyFailed);
    ExpectRun({.Files = {Source},
               .Failing = {L"Lock*"},
               .FailureDescription = L"Access is denied.",
               .Session = Unattended,
               .RealSystemFolder = L"C:\\WINDOWS\\SysWOW64"},
              Unseen + L"WriteErrorLine Cannot copy morvantel.ocx to C:\\WINDOWS\\SysWOW64\\" +
                  L"morvantel.ocx: " + lock + L"Access is denied.; UnloadWindow; ",
              CopyFailed);
}

// Every combination of failing operations, with source and target each present or not.
TEST(frmMain, EveryRunEndsOnceAndLeavesTheFilesAsTheyWereOrReportsTheKeptCopy) {
    const std::vector<std::wstring> points = {
        L"GetSystemDirectoryA",
        L"MatchFile S",
        L"MatchFile T",
        L"CreateUniqueFile*",
        L"CopyFileTo*",
        L"ClearReadOnly*",
        L"RenameFile T*",
        L"RenameFile N*",
        L"RenameFile O*",
        L"Launch -u*",
        L"Launch T*",
        L"Launch /s*",
        L"Wait",
        L"DeleteFiles*",
        L"UnloadWindow",
    };
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
            // With no system folder there is no lock to be had: the run ends, touching nothing.
            const bool unlocked = missing || fails(L"GetSystemDirectoryA");
            ASSERT_EQ(platform.CountCalls(L"Lock"), unlocked ? 0U : 1U);
            ASSERT_EQ(platform.CountCalls(L"Unlock"), unlocked ? 0U : 1U);
            ASSERT_EQ(platform.CountCalls(L"UnloadWindow"), 1U);
            ASSERT_EQ(platform.Calls.back(), L"UnloadWindow");
            const std::size_t boxes = platform.CountCalls(L"ShowMessage");
            ASSERT_LE(boxes, 1U);
            if (!unlocked) {
                ASSERT_EQ(platform.Calls[0], L"Lock ocxsetup.morvantel.ocx.lock")
                    << "before any file";
                ASSERT_EQ(platform.Calls[calls - 2 - boxes], L"Unlock") << "the box after the lock";
            }
            ASSERT_LE(platform.CountCalls(L"CopyFileTo"), 1U);
            ASSERT_LE(platform.CountCalls(L"CreateUniqueFile"), 1U);
            ASSERT_LE(platform.CountCalls(L"Launch"), 4U);
            ASSERT_LE(platform.CountCalls(L"Wait"), platform.CountCalls(L"Launch"));
            ASSERT_EQ(platform.CountCalls(L"Wait held"), 0U) << "every tool is let run";
            ASSERT_TRUE(result.has_value());
            if (unlocked) {
                ASSERT_EQ(result, missing ? InstallResult::SourceMissing : CopyFailed);
                ASSERT_EQ(calls, 2U) << "no file touched, no tool run: the box, then the window";
            }
            const std::wstring box = boxes == 0 ? L"" : platform.Calls[calls - 2];
            if (result == Installed) {
                ASSERT_EQ(boxes, 0U);
                // But an old copy that could be neither deleted nor renamed: it is not queued, and
                // the next run tries again.
                Files left = WithTarget(script.Files);
                if (fails(L"DeleteFiles*") && fails(L"RenameFile O*") && present == 3) {
                    left.insert(Target + L".old-00000002.tmp");
                }
                ASSERT_EQ(platform.AfterRestart(), left) << "no other temporary file is left";
                continue;
            }
            // A failure that no box tells is one that the tool's own box told.
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

} // namespace
} // namespace ocx::test
