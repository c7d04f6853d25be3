#include "installer/frmMain.h"
#include "tests/native/ScriptedPlatform.h"

#include <gtest/gtest.h>

namespace ocx::test {
namespace {

using Calls = std::vector<std::wstring>;
using Files = std::set<std::wstring>;

const std::wstring Source = L"C:\\Setup\\morvantel.ocx";
const std::wstring Target = L"C:\\WINDOWS\\system32\\morvantel.ocx";
const std::wstring Staged = L"C:\\WINDOWS\\system32\\ocx1.tmp";
const std::wstring Aside = L"C:\\WINDOWS\\system32\\ocx2.tmp";
const std::wstring CopyFailure = L"Cannot copy morvantel.ocx to " + Target;
const std::wstring SetAside = L"RenameFile " + Target + L" => " + Aside;

class InstallSequence : public ::testing::Test {
protected:
    ScriptedPlatform platform;
    frmMain form{platform};

    void Run(const Files& files) {
        platform.Files = files;
        form.Form_Load();
    }
    // The calls from the first one that starts with the prefix on.
    [[nodiscard]] Calls From(const std::wstring& prefix) const {
        const auto first = std::find_if(platform.Calls.begin(), platform.Calls.end(),
                                        [&](const auto& call) { return call.starts_with(prefix); });
        return {first, platform.Calls.end()};
    }
};

TEST_F(InstallSequence, FreshInstallStagesTheCopyThenPutsItInPlaceAndRegistersIt) {
    EXPECT_FALSE(form.Result().has_value());
    Run({Source});
    EXPECT_EQ(form.FileSource, Source);
    EXPECT_EQ(form.FileTarget, Target);
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
    EXPECT_EQ(platform.Calls, expected);
    EXPECT_TRUE(platform.Messages.empty());
    EXPECT_EQ(platform.Files, Files({Source, Target}));
    EXPECT_EQ(form.Result(), InstallResult::Installed);
}

TEST_F(InstallSequence, ReinstallUnregistersAndSetsTheOldCopyAsideBeforeTheNewOneRegisters) {
    Run({Source, Target});
    const Calls expected = {L"NewTempFileBeside",
                            L"CopyFileTo " + Source + L" -> " + Staged,
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
    EXPECT_EQ(From(L"NewTempFileBeside"), expected);
    EXPECT_EQ(platform.Files, Files({Source, Target}));
    EXPECT_EQ(form.Result(), InstallResult::Installed);
}

TEST_F(InstallSequence, MissingSourceShowsOneMessageAndChangesNothing) {
    Run({Target});
    const Calls expected = {L"UserCanAnswer",
                            L"ApplicationFolder",
                            L"GetSystemDirectoryA",
                            L"MatchFile " + Source,
                            L"ShowMessage Source file morvantel.ocx not found",
                            L"UnloadWindow"};
    EXPECT_EQ(platform.Calls, expected);
    ASSERT_EQ(platform.Messages.size(), 1U);
    EXPECT_EQ(platform.Messages[0].Style, 16U);
    EXPECT_EQ(platform.Messages[0].Title, L"OCX Installation");
    EXPECT_EQ(form.Result(), InstallResult::SourceMissing);
}

TEST_F(InstallSequence, ProgramAtDriveRootKeepsBothBackslashes) {
    platform.Folder = L"C:\\";
    Run({});
    EXPECT_EQ(form.FileSource, L"C:\\\\morvantel.ocx");
}

TEST_F(InstallSequence, SystemFolderIsTheCountedPartOfTheBufferOrNothing) {
    struct Case {
        std::size_t length;
        std::deque<unsigned> counts;
        std::vector<std::wstring> failing;
    };
    // 254 characters fit the buffer of 255; a count of 0 or beyond the buffer means no folder.
    for (const Case& c : {Case{254, {}, {}}, Case{255, {}, {}}, Case{19, {0}, {}},
                          Case{19, {256}, {}}, Case{19, {300}, {}}, Case{19, {}, {L"FromAnsi"}}}) {
        ScriptedPlatform script;
        script.SystemDirectory = std::string(c.length, 'S');
        script.SystemDirectoryCounts = c.counts;
        script.Failing = c.failing;
        script.Files = {Source};
        frmMain installer(script);
        installer.RunInstall();
        SCOPED_TRACE(::testing::Message() << c.length << " " << script.Calls[2]);
        if (c.length == 254) {
            EXPECT_EQ(installer.FileTarget, std::wstring(254, L'S') + L"\\morvantel.ocx");
            continue;
        }
        // Nothing is written or launched outside the system folder.
        EXPECT_EQ(installer.FileTarget, L"");
        EXPECT_EQ(script.Files, Files({Source}));
        EXPECT_EQ(script.CountCalls(L"ShellExecuteA"), 0U);
        EXPECT_EQ(installer.Result(), InstallResult::CopyFailed);
    }
}

TEST_F(InstallSequence, StagingFailureIsReportedAndTouchesNothingElse) {
    const std::wstring reason = L"The device is not ready.";
    const std::wstring withReason = CopyFailure + L"\r\n" + reason;
    for (const std::wstring point : {L"NewTempFileBeside", L"CopyFileTo*", L"ClearReadOnly*"}) {
        for (const std::wstring& description : {reason, std::wstring()}) {
            ScriptedPlatform script;
            script.Files = {Source, Target};
            script.Failing = {point};
            script.FailureDescription = description;
            frmMain installer(script);
            installer.RunInstall();
            SCOPED_TRACE(::testing::Message() << point.c_str() << " " << description.c_str());
            ASSERT_EQ(script.Messages.size(), 1U);
            EXPECT_EQ(script.Messages[0].Prompt, description.empty() ? CopyFailure : withReason);
            EXPECT_EQ(script.Messages[0].Title, L"OCX Installation");
            EXPECT_EQ(script.CountCalls(L"ShellExecuteA"), 0U);
            EXPECT_EQ(script.CountCalls(L"RenameFile"), 0U);
            EXPECT_EQ(script.Files, Files({Source, Target}));
            EXPECT_EQ(installer.Result(), InstallResult::CopyFailed);
        }
    }
}

TEST_F(InstallSequence, FailedMoveIntoPlaceRestoresTheOldCopyAndRegistersItAgain) {
    platform.Failing = {L"RenameFile " + Staged + L"*"};
    Run({Source, Target});
    const Calls expected = {L"RenameFile " + Staged + L" -> " + Target,
                            L"ClearReadOnly " + Staged,
                            L"DeleteFiles " + Staged,
                            L"RenameFile " + Aside + L" => " + Target,
                            L"GetSystemDirectoryA",
                            L"ShellExecuteA /s " + Target,
                            L"Wait",
                            L"ShowMessage " + CopyFailure + L"\r\nAccess is denied.",
                            L"UnloadWindow"};
    EXPECT_EQ(From(L"RenameFile " + Staged), expected);
    EXPECT_EQ(platform.Files, Files({Source, Target}));
    EXPECT_EQ(form.Result(), InstallResult::CopyFailed);
}

TEST_F(InstallSequence, NewCopyThatDoesNotRegisterIsRolledBackSilently) {
    struct Case {
        Files files;
        std::intptr_t shell;
        std::deque<unsigned long> statuses;
        std::vector<std::wstring> failing;
    };
    const Calls freshRollback = {L"ShellExecuteA /s -u " + Target, L"Wait",
                                 L"DeleteFiles " + Target, L"UnloadWindow"};
    const Calls rollback = {L"ShellExecuteA /s -u " + Target,
                            L"Wait",
                            L"DeleteFiles " + Target,
                            L"RenameFile " + Aside + L" => " + Target,
                            L"GetSystemDirectoryA",
                            L"ShellExecuteA /s " + Target,
                            L"Wait",
                            L"UnloadWindow"};
    // The tool reports a failure, cannot be started, or its end cannot be read.
    for (const Case& c : {Case{{Source, Target}, 42, {0, 5}, {}}, Case{{Source}, 42, {5}, {}},
                          Case{{Source}, 2, {}, {}}, Case{{Source, Target}, 42, {}, {L"Wait"}}}) {
        ScriptedPlatform script;
        script.Files = c.files;
        script.ShellResult = c.shell;
        script.ToolExitStatuses = c.statuses;
        script.Failing = c.failing;
        frmMain installer(script);
        installer.RunInstall();
        SCOPED_TRACE(::testing::Message() << c.files.size() << " " << c.shell);
        EXPECT_EQ(script.Files, c.files) << "the machine is as it was";
        EXPECT_EQ(installer.Result(), InstallResult::RegistrationFailed);
        if (c.shell > ShellLaunchRefusedLimit) {
            const Calls& expected = c.files.contains(Target) ? rollback : freshRollback;
            EXPECT_EQ(Calls(script.Calls.end() - static_cast<std::ptrdiff_t>(expected.size()),
                            script.Calls.end()),
                      expected);
        }
    }
}

TEST_F(InstallSequence, StepFailuresThatStillEndInstalled) {
    struct Case {
        Files files;
        std::wstring failing;
        std::wstring expectedCall; // a call that shows how the failure was met
    };
    for (const Case& c : {
             // The old copy could not be unregistered: it is still set aside and replaced.
             Case{{Source, Target}, L"ShellExecuteA -u*", SetAside},
             // An unsearchable target counts as an old copy; there is none to set aside.
             Case{{Source}, L"MatchFile " + Target, L"DeleteFiles " + Aside},
             // The old copy is still loaded by a program: it goes at the next restart.
             Case{{Source, Target}, L"DeleteFiles " + Aside, L"DeleteAtRestart " + Aside},
             // With no window the launches still go ahead, owned by no window.
             Case{{Source, Target}, L"WindowHandle", L"ShellExecuteA " + Target},
         }) {
        ScriptedPlatform script;
        script.Files = c.files;
        script.Failing = {c.failing};
        frmMain installer(script);
        installer.RunInstall();
        SCOPED_TRACE(::testing::Message() << c.failing.c_str());
        EXPECT_EQ(script.CountCalls(c.expectedCall), 1U);
        EXPECT_EQ(script.Files, Files({Source, Target}));
        EXPECT_EQ(installer.Result(), InstallResult::Installed);
        EXPECT_TRUE(script.Messages.empty());
        EXPECT_EQ(script.Launches.back().Owner,
                  c.failing == L"WindowHandle" ? nullptr : ScriptedPlatform::Window);
    }
}

TEST_F(InstallSequence, UnattendedRunShowsNoBoxSilencesTheToolAndWritesTheLine) {
    const auto unattended = [](const Files& files, std::vector<std::wstring> failing) {
        auto script = std::make_unique<ScriptedPlatform>();
        script->Attended = false;
        script->Files = files;
        script->Failing = std::move(failing);
        frmMain(*script).RunInstall();
        EXPECT_TRUE(script->Messages.empty());
        return script;
    };
    const auto reinstall = unattended({Source, Target}, {});
    ASSERT_EQ(reinstall->Launches.size(), 2U);
    EXPECT_EQ(reinstall->Launches[0].Parameters, "/s -u C:\\WINDOWS\\system32\\morvantel.ocx");
    EXPECT_EQ(reinstall->Launches[1].Parameters, "/s C:\\WINDOWS\\system32\\morvantel.ocx");
    EXPECT_TRUE(reinstall->ErrorLines.empty());

    EXPECT_EQ(unattended({}, {})->ErrorLines, Calls{L"Source file morvantel.ocx not found"});
    EXPECT_EQ(unattended({Source}, {L"CopyFileTo*"})->ErrorLines,
              Calls{CopyFailure + L": Access is denied."});
}

} // namespace
} // namespace ocx::test
