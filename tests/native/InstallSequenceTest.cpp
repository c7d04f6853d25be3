#include "installer/frmMain.h"
#include "tests/native/ScriptedPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    EXPECT_EQ(run.platform.Files,
              result == InstallResult::Installed ? WithTarget(script.Files) : script.Files);
}

// The parts of the traces.
const std::wstring Begin = L"UserCanAnswer; ApplicationFolder; GetSystemDirectoryA; MatchFile S; ";
const std::wstring CopyToN = L"MatchFile T; NewTempFileBeside; CopyFileTo S -> N; ";
const std::wstring Stage = CopyToN + L"ClearReadOnly N; ";
const std::wstring DiscardStaged = L"ClearReadOnly N; DeleteFiles N; ";
const std::wstring Unregister = L"GetSystemDirectoryA; ShellExecuteA -u T; Wait; ";
const std::wstring SetAside = L"NewTempFileBeside; RenameFile T => O; ";
const std::wstring PutInPlace = L"RenameFile N -> T; ";
const std::wstring Register = PutInPlace + L"GetSystemDirectoryA; ShellExecuteA T; Wait; ";
const std::wstring DiscardAside = L"ClearReadOnly O; DeleteFiles O; ";
const std::wstring SilentUnregister = L"GetSystemDirectoryA; ShellExecuteA /s -u T; Wait; ";
const std::wstring RemoveNew = SilentUnregister + L"DeleteFiles T; ";
const std::wstring Reregister = L"GetSystemDirectoryA; ShellExecuteA /s T; Wait; ";
const std::wstring Restore = L"RenameFile O => T; " + Reregister;
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
              Begin + Stage + Unregister + SetAside + Register + DiscardAside + End, Installed);
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
    const std::wstring failed = Box + CopyFailure + L"\r\n" + reason + L"; " + End;
    // While staging, nothing else is touched.
    ExpectRun({.Files = both, .Failing = {L"NewTempFileBeside"}, .FailureDescription = reason},
              Begin + L"MatchFile T; NewTempFileBeside; " + failed, CopyFailed);
    ExpectRun({.Files = both, .Failing = {L"CopyFileTo*"}, .FailureDescription = reason},
              Begin + CopyToN + DiscardStaged + failed, CopyFailed);
    ExpectRun({.Files = both, .Failing = {L"ClearReadOnly*"}, .FailureDescription = reason},
              Begin + Stage + DiscardStaged + failed, CopyFailed);
    ExpectRun({.Files = {Source}, .Failing = {L"CopyFileTo*"}, .FailureDescription = L""},
              Begin + CopyToN + DiscardStaged + Box + CopyFailure + L"; " + End, CopyFailed);
    // While putting the new copy in place: the old one goes back before the box shows.
    ExpectRun({.Files = both, .Failing = {L"RenameFile N*"}},
              Begin + Stage + Unregister + SetAside + PutInPlace + DiscardStaged + Restore + Box +
                  CopyFailure + L"\r\nAccess is denied.; " + End,
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
    ExpectRun({.Files = {Source, Target}, .ToolExitStatuses = {0, 5}},
              upgrade + RemoveNew + Restore + End, RegistrationFailed);
    ExpectRun({.Files = {Source, Target}, .Failing = {L"Wait"}},
              upgrade + RemoveNew + Restore + End, RegistrationFailed);
    ExpectRun({.Files = {Source}, .ToolExitStatuses = {5}},
              Begin + Stage + Register + RemoveNew + End, RegistrationFailed);
    ExpectRun({.Files = {Source}, .ShellResult = 2},
              Begin + Stage + PutInPlace + L"GetSystemDirectoryA; ShellExecuteA T; " +
                  L"GetSystemDirectoryA; ShellExecuteA /s -u T; DeleteFiles T; " + End,
              RegistrationFailed);
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
    ExpectRun({.Files = {Source, Target}, .Failing = {L"DeleteFiles O"}},
              Begin + Stage + Unregister + SetAside + Register + DiscardAside +
                  L"DeleteAtRestart O; " + End,
              Installed);
    // With no window the launches still go ahead, owned by none.
    ExpectRun({.Files = {Source}, .Failing = {L"WindowHandle"}},
              Begin + Stage + PutInPlace + L"GetSystemDirectoryA; ShellExecuteA unowned T; Wait; " +
                  End,
              Installed);
}

TEST(InstallSequence, UnattendedRunShowsNoBoxSilencesTheToolAndWritesTheLine) {
    ExpectRun({.Files = {Source, Target}, .Attended = false},
              Begin + Stage + SilentUnregister + SetAside + PutInPlace + Reregister + DiscardAside +
                  End,
              Installed);
    ExpectRun({.Attended = false}, Begin + L"WriteErrorLine " + NotFound + End,
              InstallResult::SourceMissing);
    ExpectRun({.Files = {Source}, .Failing = {L"CopyFileTo*"}, .Attended = false},
              Begin + CopyToN + DiscardStaged + L"WriteErrorLine " + CopyFailure +
                  L": Access is denied.; " + End,
              CopyFailed);
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
TEST(FailureCombinations, EveryRunEndsOnceAndLeavesTheFilesAsTheyWereUnlessInstalled) {
    const std::wstring list = L"GetSystemDirectoryA; MatchFile S; MatchFile T; NewTempFileBeside; "
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
            ASSERT_EQ(platform.Calls.back(), L"UnloadWindow");
            ASSERT_LE(platform.CountCalls(L"MatchFile"), 2U);
            ASSERT_LE(platform.CountCalls(L"CopyFileTo"), 1U);
            ASSERT_LE(platform.CountCalls(L"NewTempFileBeside"), 2U);
            ASSERT_LE(platform.CountCalls(L"ShellExecuteA"), 4U);
            ASSERT_LE(platform.CountCalls(L"Wait"), platform.CountCalls(L"ShellExecuteA"));
            ASSERT_TRUE(result.has_value());
            if (!script.Files.contains(Source) || fails(L"MatchFile S")) {
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
            if (!fails(L"RenameFile O*") &&
                (!fails(L"DeleteFiles*") || script.Files.contains(Target))) {
                ASSERT_EQ(platform.Files, script.Files);
            }
        }
    }
}

} // namespace
} // namespace ocx::test
