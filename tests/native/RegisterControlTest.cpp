#include "installer/frmMain.h"
#include "tests/native/ScriptedPlatform.h"

#include <gtest/gtest.h>

namespace ocx::test {
namespace {

// Runs a reinstall whose system folder is the given one, and gives the two launches.
std::vector<ScriptedPlatform::Launch> LaunchesFor(const std::string& systemFolder) {
    ScriptedPlatform platform;
    platform.SystemDirectory = systemFolder;
    const std::wstring target =
        std::wstring(systemFolder.begin(), systemFolder.end()) + L"\\morvantel.ocx";
    platform.Files = {L"C:\\Setup\\morvantel.ocx", target};
    frmMain form(platform);
    form.RunInstall();
    return platform.Launches;
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
