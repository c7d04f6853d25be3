#include "installer/frmMain.h"
#include "tests/native/ScriptedPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ocx::test {
namespace {

using Files = std::set<std::wstring>;

const std::wstring Source = L"C:\\Setup\\morvantel.ocx";
const std::wstring Target = L"C:\\WINDOWS\\system32\\morvantel.ocx";
const std::wstring Staged = L"C:\\WINDOWS\\system32\\ocx1.tmp";
const std::wstring Aside = L"C:\\WINDOWS\\system32\\ocx2.tmp";

struct Installation {
    explicit Installation(Script script) : platform(std::move(script)) { form.Form_Load(); }
    ScriptedPlatform platform;
    frmMain form{platform};

    // The calls as one text, "; " after each, with the files named by letter: S the source, T
    // the target, N the new copy staged beside it, O the old copy set aside.
    [[nodiscard]] std::wstring Trace() const {
        std::wstring trace;
        for (std::wstring call : platform.Calls) {
            for (const auto& [path, letter] :
                 {std::pair{Source, L"S"}, {Target, L"T"}, {Staged, L"N"}, {Aside, L"O"}}) {
                for (std::size_t at = 0; (at = call.find(path, at)) != std::wstring::npos;) {
                    call.replace(at, path.size(), letter);
                }
            }
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
    EXPECT_EQ(run.platform.Files,
              result == InstallResult::Installed ? WithTarget(script.Files) : script.Files);
}

// The parts of the traces.
const std::wstring Begin = L"UserCanAnswer; ApplicationFolder; GetSystemDirectoryA; MatchFile S; ";
const std::wstring Stage = L"MatchFile T; NewTempFileBeside; CopyFileTo S -> N; ClearReadOnly N; ";
const std::wstring Unregister = L"GetSystemDirectoryA; ShellExecuteA -u T; Wait; ";
const std::wstring SetAside = L"NewTempFileBeside; RenameFile T => O; ";
const std::wstring Register = L"RenameFile N -> T; GetSystemDirectoryA; ShellExecuteA T; Wait; ";
const std::wstring Discard = L"ClearReadOnly O; DeleteFiles O; ";
const std::wstring RemoveNew = L"GetSystemDirectoryA; ShellExecuteA /s -u T; Wait; DeleteFiles T; ";
const std::wstring Restore = L"RenameFile O => T; GetSystemDirectoryA; ShellExecuteA /s T; Wait; ";
const std::wstring Box = L"ShowMessage 16 OCX Installation|";
const std::wstring NotFound = L"Source file morvantel.ocx not found; ";
const std::wstring CopyFailure = L"Cannot copy morvantel.ocx to T";
const std::wstring End = L"UnloadWindow; ";
const auto Installed = InstallResult::Installed;
const auto CopyFailed = InstallResult::CopyFailed;
const auto RegistrationFailed = InstallResult::RegistrationFailed;

TEST(InstallSequence, InstallsFreshOrOverAnOldCopyStagingTheNewOneBeforeTheOldIsTouched) {
    ExpectRun({.Files = {Source}}, Begin + Stage + Register + End, Installed);
    ExpectRun({.Files = {Source, Target}},
              Begin + Stage + Unregister + SetAside + Register + Discard + End, Installed);
    const Installation run({.Files = {Source}});
    EXPECT_EQ(run.form.FileSource, Source);
    EXPECT_EQ(run.form.FileTarget, Target);
    ScriptedPlatform idle;
    EXPECT_FALSE(frmMain(idle).Result().has_value()) << "nothing before the run";
}

TEST(InstallSequence, MissingSourceShowsOneMessageAndChangesNothing) {
    ExpectRun({.Files = {Target}}, Begin + Box + NotFound + End, InstallResult::SourceMissing);
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
    const std::wstring toN = L"MatchFile T; NewTempFileBeside; CopyFileTo S -> N; ";
    const std::wstring cleanUp = L"ClearReadOnly N; DeleteFiles N; ";
    const std::wstring failed = Box + CopyFailure + L"\r\n" + reason + L"; " + End;
    // While staging, nothing else is touched.
    ExpectRun({.Files = both, .Failing = {L"NewTempFileBeside"}, .FailureDescription = reason},
              Begin + L"MatchFile T; NewTempFileBeside; " + failed, CopyFailed);
    ExpectRun({.Files = both, .Failing = {L"CopyFileTo*"}, .FailureDescription = reason},
              Begin + toN + cleanUp + failed, CopyFailed);
    ExpectRun({.Files = both, .Failing = {L"ClearReadOnly*"}, .FailureDescription = reason},
              Begin + Stage + cleanUp + failed, CopyFailed);
    ExpectRun({.Files = {Source}, .Failing = {L"CopyFileTo*"}, .FailureDescription = L""},
              Begin + toN + cleanUp + Box + CopyFailure + L"; " + End, CopyFailed);
    // While putting the new copy in place: the old one goes back before the box shows.
    ExpectRun({.Files = both, .Failing = {L"RenameFile " + Staged + L"*"}},
              Begin + Stage + Unregister + SetAside + L"RenameFile N -> T; " + cleanUp + Restore +
                  Box + CopyFailure + L"\r\nAccess is denied.; " + End,
              CopyFailed);
}

TEST(InstallSequence, NewCopyThatDoesNotRegisterIsRolledBackSilently) {
    const std::wstring upgrade = Begin + Stage + Unregister + SetAside + Register;
    // The tool reports a failure, its end cannot be read, or the shell refuses to start it.
    ExpectRun({.Files = {Source, Target}, .ToolExitStatuses = {0, 5}},
              upgrade + RemoveNew + Restore + End, RegistrationFailed);
    ExpectRun({.Files = {Source, Target}, .Failing = {L"Wait"}},
              upgrade + RemoveNew + Restore + End, RegistrationFailed);
    ExpectRun({.Files = {Source}, .ToolExitStatuses = {5}},
              Begin + Stage + Register + RemoveNew + End, RegistrationFailed);
    ExpectRun({.Files = {Source}, .ShellResult = 2},
              Begin + Stage + L"RenameFile N -> T; GetSystemDirectoryA; ShellExecuteA T; " +
                  L"GetSystemDirectoryA; ShellExecuteA /s -u T; DeleteFiles T; " + End,
              RegistrationFailed);
}

TEST(InstallSequence, StepFailuresThatStillEndInstalled) {
    // The old copy could not be unregistered: it is still set aside and replaced.
    ExpectRun({.Files = {Source, Target}, .Failing = {L"ShellExecuteA -u*"}},
              Begin + Stage + L"GetSystemDirectoryA; ShellExecuteA -u T; " + SetAside + Register +
                  Discard + End,
              Installed);
    // An unsearchable target counts as an old copy; there is none to set aside.
    ExpectRun({.Files = {Source}, .Failing = {L"MatchFile " + Target}},
              Begin + Stage + Unregister + SetAside + Discard + Register + End, Installed);
    // The old copy is still loaded by a program: it goes at the next restart.
    ExpectRun({.Files = {Source, Target}, .Failing = {L"DeleteFiles " + Aside}},
              Begin + Stage + Unregister + SetAside + Register + Discard + L"DeleteAtRestart O; " +
                  End,
              Installed);
    // With no window the launches still go ahead, owned by no window.
    const Installation windowless({.Files = {Source, Target}, .Failing = {L"WindowHandle"}});
    EXPECT_EQ(windowless.form.Result(), Installed);
    ASSERT_EQ(windowless.platform.Launches.size(), 2U);
    EXPECT_EQ(windowless.platform.Launches[1].Owner, nullptr);
}

TEST(InstallSequence, UnattendedRunShowsNoBoxSilencesTheToolAndWritesTheLine) {
    ExpectRun({.Files = {Source, Target}, .Attended = false},
              Begin + Stage + L"GetSystemDirectoryA; ShellExecuteA /s -u T; Wait; " + SetAside +
                  L"RenameFile N -> T; GetSystemDirectoryA; ShellExecuteA /s T; Wait; " + Discard +
                  End,
              Installed);
    ExpectRun({.Attended = false}, Begin + L"WriteErrorLine " + NotFound + End,
              InstallResult::SourceMissing);
    ExpectRun({.Files = {Source}, .Failing = {L"CopyFileTo*"}, .Attended = false},
              Begin + L"MatchFile T; NewTempFileBeside; CopyFileTo S -> N; ClearReadOnly N; " +
                  L"DeleteFiles N; WriteErrorLine " + CopyFailure + L": Access is denied.; " + End,
              CopyFailed);
}

// Reinstalls into the given system folder, and gives the two launches.
std::vector<ScriptedPlatform::Launch> LaunchesFor(const std::string& folder) {
    const std::wstring target = std::wstring(folder.begin(), folder.end()) + L"\\morvantel.ocx";
    return Installation({.Files = {Source, target}, .SystemDirectory = folder}).platform.Launches;
}

TEST(RegisterControl, LaunchesTheSystemToolByFullPathInTheSystemFolderQuotingBlanks) {
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
    EXPECT_EQ(launches[1].Parameters, "C:\\WINDOWS\\system32\\morvantel.ocx");
    const auto spaced = LaunchesFor("D:\\Win Dir\\system32");
    ASSERT_EQ(spaced.size(), 2U);
    EXPECT_EQ(spaced[0].Parameters, "-u \"D:\\Win Dir\\system32\\morvantel.ocx\"");
    EXPECT_EQ(spaced[1].File, "D:\\Win Dir\\system32\\regsvr32.exe");
    const auto tabbed = LaunchesFor("D:\\Win\tDir");
    ASSERT_EQ(tabbed.size(), 2U);
    EXPECT_EQ(tabbed[1].Parameters, "\"D:\\Win\tDir\\morvantel.ocx\"");
}

// Every way an operation can fail, each switched on or off independently, over each of the four
// cases of source and target present or not.
TEST(FailureCombinations, EveryRunEndsOnceAndLeavesTheFilesAsTheyWereUnlessInstalled) {
    const std::vector<std::wstring> points = {L"GetSystemDirectoryA",
                                              L"MatchFile " + Source,
                                              L"MatchFile " + Target,
                                              L"NewTempFileBeside",
                                              L"CopyFileTo*",
                                              L"ClearReadOnly*",
                                              L"RenameFile " + Target + L"*",
                                              L"RenameFile " + Staged + L"*",
                                              L"RenameFile " + Aside + L"*",
                                              L"ShellExecuteA -u*",
                                              L"ShellExecuteA C*",
                                              L"ShellExecuteA /s*",
                                              L"Wait",
                                              L"DeleteFiles*",
                                              L"UnloadWindow"};
    // A failure point's bit in the mask.
    const auto bit = [&](const std::wstring& point) {
        return 1U << static_cast<unsigned>(std::find(points.begin(), points.end(), point) -
                                           points.begin());
    };
    const unsigned sourceSearch = bit(L"MatchFile " + Source);
    const unsigned restore = bit(L"RenameFile " + Aside + L"*");
    const unsigned deletion = bit(L"DeleteFiles*");
    for (unsigned present = 0; present < 4; ++present) {
        const bool source = (present & 1U) != 0;
        const bool target = (present & 2U) != 0;
        for (unsigned mask = 0; mask < (1U << points.size()); ++mask) {
            Script script;
            for (std::size_t i = 0; i < points.size(); ++i) {
                if ((mask & (1U << i)) != 0) {
                    script.Failing.push_back(points[i]);
                }
            }
            script.Files = source ? Files{Source} : Files{};
            if (target) {
                script.Files.insert(Target);
            }
            const Installation run(script);
            const ScriptedPlatform& platform = run.platform;
            const std::optional<InstallResult> result = run.form.Result();

            SCOPED_TRACE(::testing::Message() << "present " << present << " mask " << mask);
            ASSERT_EQ(platform.CountCalls(L"UnloadWindow"), 1U);
            ASSERT_EQ(platform.Calls.back(), L"UnloadWindow");
            ASSERT_LE(platform.CountCalls(L"MatchFile"), 2U);
            ASSERT_LE(platform.CountCalls(L"CopyFileTo"), 1U);
            ASSERT_LE(platform.CountCalls(L"NewTempFileBeside"), 2U);
            ASSERT_LE(platform.CountCalls(L"ShellExecuteA"), 4U);
            ASSERT_LE(platform.CountCalls(L"Wait"), platform.Launches.size());
            ASSERT_TRUE(result.has_value());
            if (!source || (mask & sourceSearch) != 0) {
                ASSERT_EQ(result, InstallResult::SourceMissing);
                ASSERT_EQ(platform.Calls.size(), 6U) << "no file touched, no tool run";
            }
            const bool silent = result == Installed || result == RegistrationFailed;
            ASSERT_EQ(platform.CountCalls(L"ShowMessage"), silent ? 0U : 1U);
            if (result == Installed) {
                ASSERT_EQ(platform.Files, WithTarget(script.Files)) << "no temporary file is left";
                continue;
            }
            // The old copy is back and nothing is left, unless putting it back failed, or the new
            // copy, with nothing to put back over it, could not be deleted.
            if ((mask & restore) == 0 && ((mask & deletion) == 0 || target)) {
                ASSERT_EQ(platform.Files, script.Files);
            }
        }
    }
}

} // namespace
} // namespace ocx::test
