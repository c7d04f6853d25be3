#include "installer/frmMain.h"
#include "tests/native/ScriptedPlatform.h"

#include <gtest/gtest.h>

namespace ocx::test {
namespace {

const std::wstring Source = L"C:\\Setup\\morvantel.ocx";
const std::wstring Target = L"C:\\WINDOWS\\system32\\morvantel.ocx";

// Every way an operation can fail, each switched on or off independently. The staged copy is
// the first temporary file and the old copy's the second.
const std::vector<std::wstring> FailurePoints = {
    L"GetSystemDirectoryA",
    L"MatchFile " + Source,
    L"MatchFile " + Target,
    L"NewTempFileBeside",
    L"CopyFileTo*",
    L"ClearReadOnly*",
    L"RenameFile " + Target + L"*",
    L"RenameFile C:\\WINDOWS\\system32\\ocx1*",
    L"RenameFile C:\\WINDOWS\\system32\\ocx2*",
    L"ShellExecuteA -u*",
    L"ShellExecuteA C*",
    L"ShellExecuteA /s*",
    L"Wait",
    L"DeleteFiles*",
    L"UnloadWindow",
};
constexpr unsigned SourceSearch = 1U << 1U;
constexpr unsigned Restore = 1U << 8U;
constexpr unsigned Delete = 1U << 13U;

TEST(FailureCombinations, EveryRunEndsOnceAndLeavesTheFilesAsTheyWereUnlessInstalled) {
    const unsigned combinations = 1U << FailurePoints.size();
    for (unsigned present = 0; present < 4; ++present) {
        const bool source = (present & 1U) != 0;
        const bool target = (present & 2U) != 0;
        for (unsigned mask = 0; mask < combinations; ++mask) {
            ScriptedPlatform platform;
            if (source) {
                platform.Files.insert(Source);
            }
            if (target) {
                platform.Files.insert(Target);
            }
            const std::set<std::wstring> before = platform.Files;
            for (std::size_t i = 0; i < FailurePoints.size(); ++i) {
                if ((mask & (1U << i)) != 0) {
                    platform.Failing.push_back(FailurePoints[i]);
                }
            }
            frmMain form(platform);
            form.RunInstall();

            SCOPED_TRACE(::testing::Message() << "present " << present << " mask " << mask);
            ASSERT_EQ(platform.CountCalls(L"UnloadWindow"), 1U);
            ASSERT_EQ(platform.Calls.back(), L"UnloadWindow");
            ASSERT_LE(platform.CountCalls(L"MatchFile"), 2U);
            ASSERT_LE(platform.CountCalls(L"CopyFileTo"), 1U);
            ASSERT_LE(platform.CountCalls(L"NewTempFileBeside"), 2U);
            ASSERT_LE(platform.CountCalls(L"ShellExecuteA"), 4U);
            ASSERT_LE(platform.CountCalls(L"Wait"), platform.Launches.size());
            ASSERT_LE(platform.CountCalls(L"ShowMessage"), 1U);
            ASSERT_TRUE(form.Result().has_value());

            const bool sourceFound = source && (mask & SourceSearch) == 0;
            if (!sourceFound) {
                ASSERT_EQ(form.Result(), InstallResult::SourceMissing);
                ASSERT_EQ(platform.Calls.size(), 6U) << "no file touched, no tool run";
            }
            if (form.Result() == InstallResult::Installed) {
                std::set<std::wstring> installed = before;
                installed.insert(Target);
                ASSERT_EQ(platform.Files, installed) << "no temporary file is left";
                continue;
            }
            ASSERT_EQ(platform.CountCalls(L"ShowMessage"),
                      form.Result() == InstallResult::RegistrationFailed ? 0U : 1U);
            // The old copy is back and nothing is left, unless putting it back failed, or the new
            // copy, with nothing to put back over it, could not be deleted.
            const bool restoreFailed = (mask & Restore) != 0 || ((mask & Delete) != 0 && !target);
            if (!restoreFailed) {
                ASSERT_EQ(platform.Files, before);
            }
        }
    }
}

} // namespace
} // namespace ocx::test
