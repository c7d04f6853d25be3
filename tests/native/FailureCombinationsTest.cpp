#include "installer/frmMain.h"
#include "tests/native/ScriptedPlatform.h"

#include <gtest/gtest.h>

namespace ocx::test {
namespace {

const std::wstring Source = L"C:\\Setup\\morvantel.ocx";
const std::wstring Target = L"C:\\WINDOWS\\system32\\morvantel.ocx";

// Every way an operation can fail, each switched on or off independently.
const std::vector<std::wstring> FailurePoints = {
    L"ApplicationFolder", L"GetSystemDirectoryA", L"MatchFile " + Source, L"MatchFile " + Target,
    L"WindowHandle",      L"ShellExecuteA -u*",   L"ShellExecuteA C*",    L"Wait",
    L"DeleteFiles*",      L"CopyFileTo*",         L"ShowMessage*",        L"ToAnsi",
    L"FromAnsi",          L"UnloadWindow",
};

TEST(FailureCombinations, EveryRunUnloadsOnceRunsNoStepTwiceAndSparesTheTargetWithoutASource) {
    const unsigned combinations = 1U << FailurePoints.size();
    for (unsigned present = 0; present < 4; ++present) {
        for (unsigned mask = 0; mask < combinations; ++mask) {
            ScriptedPlatform platform;
            if ((present & 1U) != 0) {
                platform.Files.insert(Source);
            }
            if ((present & 2U) != 0) {
                platform.Files.insert(Target);
            }
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
            ASSERT_LE(platform.CountCalls(L"ApplicationFolder"), 1U);
            ASSERT_LE(platform.CountCalls(L"MatchFile"), 2U);
            ASSERT_LE(platform.CountCalls(L"ShellExecuteA -u"), 1U);
            ASSERT_LE(platform.CountCalls(L"ShellExecuteA"), 2U);
            ASSERT_LE(platform.CountCalls(L"Wait"), platform.Launches.size());
            ASSERT_LE(platform.CountCalls(L"DeleteFiles"), 1U);
            ASSERT_LE(platform.CountCalls(L"CopyFileTo"), 1U);
            ASSERT_LE(platform.CountCalls(L"ShowMessage"), 1U);

            const bool sourceFound = (present & 1U) != 0 && (mask & 0b101U) == 0;
            if (!sourceFound) {
                ASSERT_EQ(platform.CountCalls(L"ShellExecuteA"), 0U);
                ASSERT_EQ(platform.CountCalls(L"DeleteFiles"), 0U);
                ASSERT_EQ(platform.CountCalls(L"CopyFileTo"), 0U);
                ASSERT_EQ(form.Result(), InstallResult::SourceMissing);
            } else {
                ASSERT_NE(form.Result(), InstallResult::SourceMissing);
            }
            // The target keeps its old copy unless the new one was copied over it.
            if ((present & 2U) != 0 && form.Result() == InstallResult::SourceMissing) {
                ASSERT_TRUE(platform.Files.contains(Target));
            }
        }
    }
}

} // namespace
} // namespace ocx::test
