#include "installer/frmMain.h"
#include "tests/native/ScriptedPlatform.h"

#include <gtest/gtest.h>

namespace ocx::test {
namespace {

using Calls = std::vector<std::wstring>;

const std::wstring Source = L"C:\\Setup\\morvantel.ocx";
const std::wstring Target = L"C:\\WINDOWS\\system32\\morvantel.ocx";

class InstallSequence : public ::testing::Test {
protected:
    ScriptedPlatform platform;
    frmMain form{platform};

    void Run() { form.Form_Load(); }
};

TEST_F(InstallSequence, FreshInstallCopiesThenRegistersOnce) {
    platform.Files = {Source};
    Run();
    EXPECT_EQ(form.FileSource, Source);
    EXPECT_EQ(form.FileTarget, Target);
    const Calls expected = {L"ApplicationFolder",
                            L"GetSystemDirectoryA",
                            L"MatchFile " + Source,
                            L"MatchFile " + Target,
                            L"CopyFileTo " + Source + L" -> " + Target,
                            L"GetSystemDirectoryA",
                            L"ShellExecuteA " + Target,
                            L"Wait",
                            L"UnloadWindow"};
    EXPECT_EQ(platform.Calls, expected);
    EXPECT_TRUE(platform.Messages.empty());
    EXPECT_EQ(form.Result(), InstallResult::Installed);
}

TEST_F(InstallSequence, ReinstallUnregistersAndWaitsBeforeDeleteAndCopy) {
    platform.Files = {Source, Target};
    Run();
    const Calls expected = {L"ApplicationFolder",
                            L"GetSystemDirectoryA",
                            L"MatchFile " + Source,
                            L"MatchFile " + Target,
                            L"GetSystemDirectoryA",
                            L"ShellExecuteA -u " + Target,
                            L"Wait",
                            L"DeleteFiles " + Target,
                            L"CopyFileTo " + Source + L" -> " + Target,
                            L"GetSystemDirectoryA",
                            L"ShellExecuteA " + Target,
                            L"Wait",
                            L"UnloadWindow"};
    EXPECT_EQ(platform.Calls, expected);
    ASSERT_EQ(form.Launches().size(), 2U);
    EXPECT_FALSE(form.Launches()[0].Register);
    EXPECT_TRUE(form.Launches()[1].Register);
    EXPECT_EQ(form.Result(), InstallResult::Installed);
}

TEST_F(InstallSequence, MissingSourceShowsOneMessageAndChangesNothing) {
    platform.Files = {Target};
    Run();
    const Calls expected = {L"ApplicationFolder", L"GetSystemDirectoryA", L"MatchFile " + Source,
                            L"ShowMessage Source file morvantel.ocx not found", L"UnloadWindow"};
    EXPECT_EQ(platform.Calls, expected);
    ASSERT_EQ(platform.Messages.size(), 1U);
    EXPECT_EQ(platform.Messages[0].Style, 16U);
    EXPECT_EQ(platform.Messages[0].Title, L"OCX Installation");
    EXPECT_EQ(form.Result(), InstallResult::SourceMissing);
}

TEST_F(InstallSequence, HiddenOrUnsearchableSourceCountsAsMissing) {
    // The scripted MatchFile reports hidden files as absent, as the real one does.
    platform.Files = {Target};
    platform.Failing = {L"MatchFile " + Source};
    Run();
    EXPECT_EQ(platform.CountCalls(L"ShellExecuteA"), 0U);
    EXPECT_EQ(platform.CountCalls(L"DeleteFiles"), 0U);
    EXPECT_EQ(platform.CountCalls(L"MatchFile " + Target), 0U);
    ASSERT_EQ(platform.Messages.size(), 1U);
    EXPECT_EQ(platform.Messages[0].Prompt, L"Source file morvantel.ocx not found");
    EXPECT_TRUE(platform.Files.contains(Target));
    EXPECT_EQ(form.Result(), InstallResult::SourceMissing);
}

TEST_F(InstallSequence, UnsearchableTargetCountsAsPresent) {
    platform.Files = {Source};
    platform.Failing = {L"MatchFile " + Target};
    Run();
    EXPECT_EQ(platform.CountCalls(L"ShellExecuteA -u " + Target), 1U);
    EXPECT_EQ(platform.CountCalls(L"DeleteFiles " + Target), 1U);
    EXPECT_EQ(platform.CountCalls(L"CopyFileTo"), 1U);
    // The failed delete (nothing there) does not stop the copy and registration.
    EXPECT_EQ(form.Result(), InstallResult::Installed);
}

TEST_F(InstallSequence, ProgramFolderFailureLeavesSourceEmptyAndReportsItMissing) {
    platform.Files = {Source};
    platform.Failing = {L"ApplicationFolder"};
    Run();
    EXPECT_EQ(form.FileSource, L"");
    EXPECT_EQ(platform.CountCalls(L"MatchFile"), 1U);
    EXPECT_EQ(platform.CountCalls(L"ShowMessage Source file"), 1U);
    EXPECT_EQ(form.Result(), InstallResult::SourceMissing);
}

TEST_F(InstallSequence, ProgramAtDriveRootKeepsBothBackslashes) {
    platform.Folder = L"C:\\";
    Run();
    EXPECT_EQ(form.FileSource, L"C:\\\\morvantel.ocx");
}

TEST_F(InstallSequence, UnusableSystemFolderCountLeavesTargetEmpty) {
    for (const unsigned count : {0U, 256U, 300U}) {
        ScriptedPlatform script;
        script.Files = {Source};
        script.SystemDirectoryCounts = {count, count};
        frmMain installer(script);
        installer.RunInstall();
        EXPECT_EQ(installer.FileTarget, L"") << count;
        // No launch names a tool or a control outside the system folder.
        EXPECT_EQ(script.CountCalls(L"ShellExecuteA"), 0U) << count;
        EXPECT_EQ(script.CountCalls(L"MatchFile"), 2U) << count;
        EXPECT_EQ(installer.Result(), InstallResult::CopyFailed) << count;
    }
}

TEST_F(InstallSequence, SystemFolderIsTheCountedPartOfTheBuffer) {
    platform.SystemDirectory = std::string(254, 'S');
    platform.Files = {Source};
    Run();
    EXPECT_EQ(form.FileTarget, std::wstring(254, L'S') + L"\\morvantel.ocx");

    ScriptedPlatform tooLong;
    tooLong.SystemDirectory = std::string(255, 'S');
    frmMain other(tooLong);
    other.RunInstall();
    EXPECT_EQ(other.FileTarget, L"");
}

TEST_F(InstallSequence, SystemFolderConversionFailureLeavesTargetEmpty) {
    platform.Files = {Source};
    platform.Failing = {L"FromAnsi"};
    Run();
    EXPECT_EQ(form.FileTarget, L"");
    EXPECT_EQ(platform.CountCalls(L"ShellExecuteA"), 0U);
}

TEST_F(InstallSequence, FailedUnregistrationStillDeletesCopiesAndRegisters) {
    platform.Files = {Source, Target};
    platform.Failing = {L"ShellExecuteA -u*"};
    Run();
    EXPECT_EQ(platform.CountCalls(L"DeleteFiles"), 1U);
    EXPECT_EQ(platform.CountCalls(L"CopyFileTo"), 1U);
    EXPECT_EQ(platform.CountCalls(L"ShellExecuteA " + Target), 1U);
    EXPECT_EQ(form.Result(), InstallResult::Installed);
}

TEST_F(InstallSequence, FailedDeleteStillCopies) {
    platform.Files = {Source, Target};
    platform.Failing = {L"DeleteFiles*"};
    Run();
    EXPECT_EQ(platform.CountCalls(L"CopyFileTo"), 1U);
    EXPECT_EQ(form.Result(), InstallResult::Installed);
}

TEST_F(InstallSequence, FailedCopyIsReportedWithTheSystemTextThenRegistersWhatIsThere) {
    platform.Files = {Source, Target};
    platform.Failing = {L"CopyFileTo*"};
    platform.FailureDescription = L"The process cannot access the file.";
    Run();
    ASSERT_EQ(platform.Messages.size(), 1U);
    EXPECT_EQ(platform.Messages[0].Prompt, L"Cannot copy morvantel.ocx to " + Target +
                                               L"\r\nThe process cannot access the file.");
    EXPECT_EQ(platform.Messages[0].Style, 16U);
    EXPECT_EQ(platform.Messages[0].Title, L"OCX Installation");
    // The registration still runs, after the message, and restores the old copy's entry.
    const Calls expectedTail = {L"ShowMessage " + platform.Messages[0].Prompt,
                                L"GetSystemDirectoryA", L"ShellExecuteA " + Target, L"Wait",
                                L"UnloadWindow"};
    EXPECT_EQ(Calls(platform.Calls.end() - 5, platform.Calls.end()), expectedTail);
    EXPECT_EQ(form.Result(), InstallResult::CopyFailed);
}

TEST_F(InstallSequence, FailedCopyWithoutSystemTextHasNoSecondLine) {
    platform.Files = {Source};
    platform.Failing = {L"CopyFileTo*"};
    platform.FailureDescription = L"";
    Run();
    ASSERT_EQ(platform.Messages.size(), 1U);
    EXPECT_EQ(platform.Messages[0].Prompt, L"Cannot copy morvantel.ocx to " + Target);
}

TEST_F(InstallSequence, RegistrationOutcomeDecidesTheResult) {
    struct Case {
        std::intptr_t shell;
        unsigned long status;
        std::vector<std::wstring> failing;
        InstallResult expected;
    };
    const std::vector<Case> cases = {
        {42, 0, {}, InstallResult::Installed},
        {42, 4, {}, InstallResult::RegistrationFailed}, // the tool reported a failure
        {2, 0, {}, InstallResult::RegistrationFailed},  // the shell refused: no wait
        {42, 0, {L"Wait"}, InstallResult::RegistrationFailed},
        {42, 0, {L"WindowHandle"}, InstallResult::RegistrationFailed},
        {42, 0, {L"ToAnsi"}, InstallResult::RegistrationFailed},
    };
    for (const auto& c : cases) {
        ScriptedPlatform script;
        script.Files = {Source};
        script.ShellResult = c.shell;
        script.ToolExitStatus = c.status;
        script.Failing = c.failing;
        frmMain installer(script);
        installer.RunInstall();
        EXPECT_EQ(installer.Result(), c.expected) << c.shell << " " << c.status;
        EXPECT_EQ(script.Calls.back(), L"UnloadWindow");
    }
}

TEST_F(InstallSequence, RefusedLaunchLeavesNothingToWaitForAndTheFlowGoesOn) {
    platform.Files = {Source, Target};
    platform.ShellResult = 31;
    Run();
    EXPECT_EQ(platform.CountCalls(L"Wait"), 0U);
    EXPECT_EQ(platform.CountCalls(L"ShellExecuteA"), 2U);
    EXPECT_EQ(platform.CountCalls(L"CopyFileTo"), 1U);
    ASSERT_EQ(form.Launches().size(), 2U);
    EXPECT_FALSE(form.Launches()[1].ExitStatus.has_value());
}

} // namespace
} // namespace ocx::test
