#include "installer/frmMain.h"
#include "tests/native/ScriptedPlatform.h"

#include <gtest/gtest.h>

#include <functional>

namespace ocx::test {
namespace {

using Calls = std::vector<std::wstring>;
using Files = std::set<std::wstring>;
using Script = std::function<void(ScriptedPlatform&)>;

const std::wstring Source = L"C:\\Setup\\morvantel.ocx";
const std::wstring Target = L"C:\\WINDOWS\\system32\\morvantel.ocx";
const std::wstring Staged = L"C:\\WINDOWS\\system32\\ocx1.tmp";
const std::wstring Aside = L"C:\\WINDOWS\\system32\\ocx2.tmp";
const std::wstring CopyFailure = L"Cannot copy morvantel.ocx to " + Target;
const std::wstring SetAside = L"RenameFile " + Target + L" => " + Aside;

struct Installation {
    ScriptedPlatform platform;
    frmMain form{platform};

    // The last calls, as many as expected.
    [[nodiscard]] Calls Last(std::size_t count) const {
        const auto& calls = platform.Calls;
        return {calls.end() - static_cast<std::ptrdiff_t>(std::min(count, calls.size())),
                calls.end()};
    }
};

std::unique_ptr<Installation> Install(const Files& files, const Script& script = {}) {
    auto run = std::make_unique<Installation>();
    run->platform.Files = files;
    if (script) {
        script(run->platform);
    }
    run->form.Form_Load();
    return run;
}

TEST(InstallSequence, FreshInstallStagesTheCopyThenPutsItInPlaceAndRegistersIt) {
    EXPECT_FALSE(Installation().form.Result().has_value()) << "nothing before the run";
    const auto run = Install({Source});
    EXPECT_EQ(run->form.FileSource, Source);
    EXPECT_EQ(run->form.FileTarget, Target);
    const Calls expected = {L"UserCanAnswer",
                            L"ApplicationFolder",
                            L"GetSystemDirectoryA",
                            L"MatchFile " + Source,
                            L"MatchFile " + Target,
                            L"NewTempFileBeside",
                            L"CopyFileTo " + Source + L" -> " + Staged,
                            L"ClearReadOnly " + Staged,
                            L"RenameFile " + Staged + L" -> " + Target,
                            L"GetSystemDirectoryA",
                            L"ShellExecuteA " + Target,
                            L"Wait",
                            L"UnloadWindow"};
    EXPECT_EQ(run->platform.Calls, expected);
    EXPECT_TRUE(run->platform.Messages.empty());
    EXPECT_EQ(run->platform.Files, Files({Source, Target}));
    EXPECT_EQ(run->form.Result(), InstallResult::Installed);
}

TEST(InstallSequence, ReinstallUnregistersAndSetsTheOldCopyAsideBeforeTheNewOneRegisters) {
    const auto run = Install({Source, Target});
    const Calls expected = {L"CopyFileTo " + Source + L" -> " + Staged,
                            L"ClearReadOnly " + Staged,
                            L"GetSystemDirectoryA",
                            L"ShellExecuteA -u " + Target,
                            L"Wait",
                            L"NewTempFileBeside",
                            SetAside,
                            L"RenameFile " + Staged + L" -> " + Target,
                            L"GetSystemDirectoryA",
                            L"ShellExecuteA " + Target,
                            L"Wait",
                            L"ClearReadOnly " + Aside,
                            L"DeleteFiles " + Aside,
                            L"UnloadWindow"};
    EXPECT_EQ(run->Last(expected.size()), expected);
    EXPECT_EQ(run->platform.Files, Files({Source, Target}));
    EXPECT_EQ(run->form.Result(), InstallResult::Installed);
}

TEST(InstallSequence, MissingSourceShowsOneMessageAndChangesNothing) {
    const auto run = Install({Target});
    // The target is never looked at.
    const Calls expected = {L"GetSystemDirectoryA", L"MatchFile " + Source,
                            L"ShowMessage Source file morvantel.ocx not found", L"UnloadWindow"};
    EXPECT_EQ(run->Last(expected.size()), expected);
    ASSERT_EQ(run->platform.Messages.size(), 1U);
    EXPECT_EQ(run->platform.Messages[0].Style, 16U);
    EXPECT_EQ(run->platform.Messages[0].Title, L"OCX Installation");
    EXPECT_EQ(run->form.Result(), InstallResult::SourceMissing);
    EXPECT_EQ(Install({}, [](ScriptedPlatform& p) { p.Folder = L"C:\\"; })->form.FileSource,
              L"C:\\\\morvantel.ocx")
        << "at a drive's root, both backslashes stay";
    const auto noFolder =
        Install({Source}, [](ScriptedPlatform& p) { p.Failing = {L"ApplicationFolder"}; });
    EXPECT_EQ(noFolder->form.FileSource, L"") << "a failed assignment keeps the empty text";
    EXPECT_EQ(noFolder->form.Result(), InstallResult::SourceMissing);
}

TEST(InstallSequence, SystemFolderIsTheCountedPartOfTheBufferOrNothing) {
    EXPECT_EQ(
        Install({Source}, [](ScriptedPlatform& p) { p.SystemDirectory = std::string(254, 'S'); })
            ->form.FileTarget,
        std::wstring(254, L'S') + L"\\morvantel.ocx");
    // A count of 0 or beyond the buffer of 255, or a folder that cannot be converted: no folder,
    // and nothing is written or launched outside it.
    const std::vector<Script> unusables = {
        [](ScriptedPlatform& p) { p.SystemDirectory = std::string(255, 'S'); },
        [](ScriptedPlatform& p) { p.SystemDirectoryCounts = {0}; },
        [](ScriptedPlatform& p) { p.SystemDirectoryCounts = {256}; },
        [](ScriptedPlatform& p) { p.SystemDirectoryCounts = {300}; },
        [](ScriptedPlatform& p) { p.Failing = {L"FromAnsi"}; }};
    for (const Script& unusable : unusables) {
        const auto run = Install({Source}, unusable);
        EXPECT_EQ(run->form.FileTarget, L"");
        EXPECT_EQ(run->platform.Files, Files({Source}));
        EXPECT_EQ(run->platform.CountCalls(L"ShellExecuteA"), 0U);
        EXPECT_EQ(run->form.Result(), InstallResult::CopyFailed);
    }
}

TEST(InstallSequence, StagingFailureIsReportedAndTouchesNothingElse) {
    const std::wstring withReason = CopyFailure + L"\r\nThe device is not ready.";
    for (const std::wstring point : {L"NewTempFileBeside", L"CopyFileTo*", L"ClearReadOnly*"}) {
        for (const bool reason : {true, false}) {
            const auto run = Install({Source, Target}, [&](ScriptedPlatform& p) {
                p.Failing = {point};
                p.FailureDescription = reason ? L"The device is not ready." : L"";
            });
            SCOPED_TRACE(::testing::Message() << point.c_str() << " " << reason);
            ASSERT_EQ(run->platform.Messages.size(), 1U);
            EXPECT_EQ(run->platform.Messages[0].Prompt, reason ? withReason : CopyFailure);
            EXPECT_EQ(run->platform.CountCalls(L"ShellExecuteA"), 0U);
            EXPECT_EQ(run->platform.CountCalls(L"RenameFile"), 0U);
            EXPECT_EQ(run->platform.Files, Files({Source, Target}));
            EXPECT_EQ(run->form.Result(), InstallResult::CopyFailed);
        }
    }
}

TEST(InstallSequence, FailedMoveIntoPlaceRestoresTheOldCopyAndRegistersItAgain) {
    const auto run = Install({Source, Target}, [](ScriptedPlatform& p) {
        p.Failing = {L"RenameFile " + Staged + L"*"};
    });
    const Calls expected = {L"RenameFile " + Staged + L" -> " + Target,
                            L"ClearReadOnly " + Staged,
                            L"DeleteFiles " + Staged,
                            L"RenameFile " + Aside + L" => " + Target,
                            L"GetSystemDirectoryA",
                            L"ShellExecuteA /s " + Target,
                            L"Wait",
                            L"ShowMessage " + CopyFailure + L"\r\nAccess is denied.",
                            L"UnloadWindow"};
    EXPECT_EQ(run->Last(expected.size()), expected);
    EXPECT_EQ(run->platform.Files, Files({Source, Target}));
    EXPECT_EQ(run->form.Result(), InstallResult::CopyFailed);
}

TEST(InstallSequence, NewCopyThatDoesNotRegisterIsRolledBackSilently) {
    const Calls rollback = {L"ShellExecuteA /s -u " + Target,
                            L"Wait",
                            L"DeleteFiles " + Target,
                            L"RenameFile " + Aside + L" => " + Target,
                            L"GetSystemDirectoryA",
                            L"ShellExecuteA /s " + Target,
                            L"Wait",
                            L"UnloadWindow"};
    const Calls freshRollback = {rollback[0], rollback[1], rollback[2], L"UnloadWindow"};
    struct Case {
        Files files;
        Script script;
    };
    // The tool reports a failure, cannot be started, or its end cannot be read.
    const std::vector<Case> cases = {
        {{Source, Target},
         [](ScriptedPlatform& p) {
             p.ToolExitStatuses = {0, 5};
         }},
        {{Source}, [](ScriptedPlatform& p) { p.ToolExitStatuses = {5}; }},
        {{Source}, [](ScriptedPlatform& p) { p.ShellResult = 2; }},
        {{Source, Target}, [](ScriptedPlatform& p) { p.Failing = {L"Wait"}; }}};
    for (const Case& c : cases) {
        const auto run = Install(c.files, c.script);
        SCOPED_TRACE(::testing::Message() << c.files.size() << " " << run->platform.ShellResult);
        EXPECT_EQ(run->platform.Files, c.files) << "the machine is as it was";
        EXPECT_EQ(run->form.Result(), InstallResult::RegistrationFailed);
        const Calls& expected = c.files.contains(Target) ? rollback : freshRollback;
        if (run->platform.ShellResult > ShellLaunchRefusedLimit) {
            EXPECT_EQ(run->Last(expected.size()), expected);
        }
    }
}

TEST(InstallSequence, StepFailuresThatStillEndInstalled) {
    struct Case {
        Files files;
        std::wstring failing;
        std::wstring expectedCall; // a call that shows how the failure was met
    };
    const std::vector<Case> cases = {
        // The old copy could not be unregistered: it is still set aside and replaced.
        {{Source, Target}, L"ShellExecuteA -u*", SetAside},
        // An unsearchable target counts as an old copy; there is none to set aside.
        {{Source}, L"MatchFile " + Target, L"DeleteFiles " + Aside},
        // The old copy is still loaded by a program: it goes at the next restart.
        {{Source, Target}, L"DeleteFiles " + Aside, L"DeleteAtRestart " + Aside},
        // With no window the launches still go ahead, owned by no window.
        {{Source, Target}, L"WindowHandle", L"ShellExecuteA " + Target}};
    for (const Case& c : cases) {
        const auto run = Install(c.files, [&](ScriptedPlatform& p) { p.Failing = {c.failing}; });
        SCOPED_TRACE(::testing::Message() << c.failing.c_str());
        EXPECT_EQ(run->platform.CountCalls(c.expectedCall), 1U);
        EXPECT_EQ(run->platform.Files, Files({Source, Target}));
        EXPECT_EQ(run->form.Result(), InstallResult::Installed);
        EXPECT_EQ(run->platform.Launches.back().Owner,
                  c.failing == L"WindowHandle" ? nullptr : ScriptedPlatform::Window);
    }
}

TEST(InstallSequence, UnattendedRunShowsNoBoxSilencesTheToolAndWritesTheLine) {
    const auto unattended = [](const Files& files, const std::wstring& failing) {
        auto run = Install(files, [&](ScriptedPlatform& p) {
            p.Attended = false;
            p.Failing = {failing};
        });
        EXPECT_TRUE(run->platform.Messages.empty());
        return run;
    };
    const auto reinstall = unattended({Source, Target}, L"");
    ASSERT_EQ(reinstall->platform.Launches.size(), 2U);
    EXPECT_EQ(reinstall->platform.Launches[0].Parameters,
              "/s -u C:\\WINDOWS\\system32\\morvantel.ocx");
    EXPECT_EQ(reinstall->platform.Launches[1].Parameters,
              "/s C:\\WINDOWS\\system32\\morvantel.ocx");
    EXPECT_TRUE(reinstall->platform.ErrorLines.empty());
    EXPECT_EQ(unattended({}, L"")->platform.ErrorLines,
              Calls{L"Source file morvantel.ocx not found"});
    EXPECT_EQ(unattended({Source}, L"CopyFileTo*")->platform.ErrorLines,
              Calls{CopyFailure + L": Access is denied."});
}

// Reinstalls into the given system folder, and gives the two launches.
std::vector<ScriptedPlatform::Launch> LaunchesFor(const std::string& folder) {
    const std::wstring target = std::wstring(folder.begin(), folder.end()) + L"\\morvantel.ocx";
    return Install({Source, target}, [&](ScriptedPlatform& p) { p.SystemDirectory = folder; })
        ->platform.Launches;
}

TEST(RegisterControl, LaunchesTheSystemToolByFullPathInTheSystemFolder) {
    const auto launches = LaunchesFor("C:\\WINDOWS\\system32");
    ASSERT_EQ(launches.size(), 2U);
    for (const auto& launch : launches) {
        EXPECT_EQ(launch.Owner, ScriptedPlatform::Window);
        EXPECT_EQ(launch.Operation, "open");
        EXPECT_EQ(launch.File, "C:\\WINDOWS\\system32\\regsvr32.exe");
        // Never the installer's own folder, where a DLL could be planted.
        EXPECT_EQ(launch.Directory, "C:\\WINDOWS\\system32");
        EXPECT_EQ(launch.ShowCommand, 1);
    }
    EXPECT_EQ(launches[0].Parameters, "-u C:\\WINDOWS\\system32\\morvantel.ocx");
    EXPECT_EQ(launches[1].Parameters, "C:\\WINDOWS\\system32\\morvantel.ocx");
}

TEST(RegisterControl, QuotesAPathWithBlanksOrTabsAsOneArgument) {
    const auto spaced = LaunchesFor("D:\\Win Dir\\system32");
    ASSERT_EQ(spaced.size(), 2U);
    EXPECT_EQ(spaced[0].Parameters, "-u \"D:\\Win Dir\\system32\\morvantel.ocx\"");
    EXPECT_EQ(spaced[1].Parameters, "\"D:\\Win Dir\\system32\\morvantel.ocx\"");
    EXPECT_EQ(spaced[1].File, "D:\\Win Dir\\system32\\regsvr32.exe");
    const auto tabbed = LaunchesFor("D:\\Win\tDir");
    ASSERT_EQ(tabbed.size(), 2U);
    EXPECT_EQ(tabbed[1].Parameters, "\"D:\\Win\tDir\\morvantel.ocx\"");
}

} // namespace
} // namespace ocx::test
