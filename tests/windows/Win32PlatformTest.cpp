#include "platform/Win32Platform.h"
#include "platform/PlatformError.h"
#include "tests/windows/TestFiles.h"

#include <gtest/gtest.h>

namespace ocx::test {
namespace {

class Win32PlatformTest : public ::testing::Test {
protected:
    TempFolder folder{L"ocx platform test"};
    Win32Platform platform{UniqueWindow(::CreateWindowExW(0, L"STATIC", L"Main", 0, 0, 0, 10, 10,
                                                          nullptr, nullptr, nullptr, nullptr))};
};

TEST_F(Win32PlatformTest, MatchFileFindsOrdinaryFilesOnly) {
    WriteFile(folder / L"plain.ocx", "p");
    WriteFile(folder / L"readonly.ocx", "r", FILE_ATTRIBUTE_READONLY);
    WriteFile(folder / L"archived.ocx", "a", FILE_ATTRIBUTE_ARCHIVE);
    WriteFile(folder / L"hidden.ocx", "h", FILE_ATTRIBUTE_HIDDEN);
    WriteFile(folder / L"system.ocx", "s", FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(::CreateDirectoryW((folder / L"folder.ocx").c_str(), nullptr));

    EXPECT_EQ(platform.MatchFile(folder / L"plain.ocx", 0), L"plain.ocx");
    EXPECT_EQ(platform.MatchFile(folder / L"readonly.ocx", 0), L"readonly.ocx");
    EXPECT_EQ(platform.MatchFile(folder / L"archived.ocx", 0), L"archived.ocx");
    EXPECT_EQ(platform.MatchFile(folder / L"hidden.ocx", 0), L"");
    EXPECT_EQ(platform.MatchFile(folder / L"system.ocx", 0), L"");
    EXPECT_EQ(platform.MatchFile(folder / L"folder.ocx", 0), L"");
    EXPECT_EQ(platform.MatchFile(folder / L"absent.ocx", 0), L"");
    EXPECT_EQ(platform.MatchFile(folder / L"no such folder\\plain.ocx", 0), L"");
    EXPECT_EQ(platform.MatchFile(L"", 0), L"");
    // The mask admits the special entries it names; wildcards skip the others.
    EXPECT_EQ(platform.MatchFile(folder / L"hidden.ocx", FILE_ATTRIBUTE_HIDDEN), L"hidden.ocx");
    EXPECT_EQ(platform.MatchFile(folder / L"?idden.ocx", 0), L"");
    EXPECT_EQ(platform.MatchFile(folder / L"?lain.ocx", 0), L"plain.ocx");
}

TEST_F(Win32PlatformTest, MatchFileFailsOnAPathThatCannotBeSearched) {
    try {
        platform.MatchFile(folder / L"bad|name\\x.ocx", 0);
        ADD_FAILURE() << "a malformed path was searched";
    } catch (const PlatformError& error) {
        EXPECT_NE(error.Code(), 0UL);
        EXPECT_FALSE(error.Description().empty());
    }
}

TEST_F(Win32PlatformTest, DeleteFilesDeletesEveryMatchAndFailsOnNoneOrReadOnly) {
    WriteFile(folder / L"one.tmp", "1");
    WriteFile(folder / L"two.tmp", "2");
    WriteFile(folder / L"keep.txt", "k");
    platform.DeleteFiles(folder / L"*.tmp");
    EXPECT_FALSE(Exists(folder / L"one.tmp"));
    EXPECT_FALSE(Exists(folder / L"two.tmp"));
    EXPECT_TRUE(Exists(folder / L"keep.txt"));

    try {
        platform.DeleteFiles(folder / L"*.tmp");
        ADD_FAILURE() << "deleting nothing succeeded";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.Code(), static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    }

    WriteFile(folder / L"locked.tmp", "l", FILE_ATTRIBUTE_READONLY);
    WriteFile(folder / L"loose.tmp", "l");
    EXPECT_THROW(platform.DeleteFiles(folder / L"*.tmp"), PlatformError);
    EXPECT_TRUE(Exists(folder / L"locked.tmp"));
    EXPECT_FALSE(Exists(folder / L"loose.tmp"));
}

TEST_F(Win32PlatformTest, CopyFileToReplacesTheTargetAndFailsWithoutASource) {
    WriteFile(folder / L"new.ocx", "new content");
    WriteFile(folder / L"target.ocx", "old");
    platform.CopyFileTo(folder / L"new.ocx", folder / L"target.ocx");
    EXPECT_EQ(ReadFile(folder / L"target.ocx"), "new content");
    EXPECT_THROW(platform.CopyFileTo(folder / L"absent.ocx", folder / L"target.ocx"),
                 PlatformError);
    EXPECT_EQ(ReadFile(folder / L"target.ocx"), "new content");
}

TEST_F(Win32PlatformTest, TemporaryFilesRenamesAndAttributes) {
    const std::wstring first = platform.NewTempFileBeside(folder / L"morvantel.ocx");
    const std::wstring second = platform.NewTempFileBeside(folder / L"morvantel.ocx");
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(folder.Path() + L"\\", 0), 0U) << "beside the path";
    EXPECT_TRUE(Exists(first));
    // A path in no folder never puts a file in the current one.
    EXPECT_THROW(platform.NewTempFileBeside(L"morvantel.ocx"), PlatformError);

    WriteFile(folder / L"ro.ocx", "new", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    platform.CopyFileTo(folder / L"ro.ocx", first);
    platform.ClearReadOnly(first);
    EXPECT_EQ(::GetFileAttributesW(first.c_str()), DWORD{FILE_ATTRIBUTE_ARCHIVE});

    EXPECT_THROW(platform.RenameFile(first, second, false), PlatformError);
    EXPECT_EQ(ReadFile(second), "");
    platform.RenameFile(first, second, true);
    EXPECT_EQ(ReadFile(second), "new");
    EXPECT_FALSE(Exists(first));
}

TEST_F(Win32PlatformTest, AnsiConversionRefusesCharactersTheCodePageLacks) {
    EXPECT_EQ(platform.ToAnsi(L"C:\\Program Files\\x.ocx"), "C:\\Program Files\\x.ocx");
    EXPECT_EQ(platform.FromAnsi("C:\\x"), L"C:\\x");
    if (::GetACP() == CP_UTF8) {
        GTEST_SKIP() << "the UTF-8 code page holds every character";
    }
    // No single-byte or East Asian code page holds both a CJK ideograph and Devanagari.
    EXPECT_THROW(platform.ToAnsi(L"C:\\\u4E2D\u0915.ocx"), PlatformError);
}

TEST_F(Win32PlatformTest, ApplicationFolderIsTheProgramsFolderWithoutBackslash) {
    const std::wstring folderPath = platform.ApplicationFolder();
    EXPECT_EQ(folderPath, ProgramFolder());
    EXPECT_NE(folderPath.back(), L'\\');
}

TEST_F(Win32PlatformTest, LaunchWaitsForTheProgramAndPassesAQuotedPathAsOneArgument) {
    const std::wstring tools = folder / L"tool folder";
    ASSERT_TRUE(::CreateDirectoryW(tools.c_str(), nullptr));
    const std::wstring recorder = tools + L"\\regsvr32.exe";
    ASSERT_TRUE(
        ::CopyFileW((ProgramFolder() + L"\\tool_stand_in.exe").c_str(), recorder.c_str(), FALSE));

    const std::string file = platform.ToAnsi(recorder);
    const ShellLaunch launch =
        platform.ShellExecuteA(platform.WindowHandle(), "open", file,
                               "/s -u \"C:\\dir with blanks\\morvantel.ocx\"", "", SW_SHOWNORMAL);
    EXPECT_GT(launch.Result, ShellLaunchRefusedLimit);
    ASSERT_TRUE(launch.Process);
    EXPECT_EQ(launch.Process->WaitForExit(), 3UL) << "no such control to unregister";
    // The recorder writes only after a pause: the wait ended after it had done so.
    const std::string recorded = ReadFile(tools + L"\\recorded.txt");
    EXPECT_NE(recorded.find("-u \"C:\\dir with blanks\\morvantel.ocx\""), std::string::npos)
        << recorded;
}

TEST_F(Win32PlatformTest, RefusedLaunchGivesNothingToWaitFor) {
    const ShellLaunch launch = platform.ShellExecuteA(
        nullptr, "open", platform.ToAnsi(folder / L"absent.exe"), "", "", SW_SHOWNORMAL);
    EXPECT_LE(launch.Result, ShellLaunchRefusedLimit);
    EXPECT_FALSE(launch.Process);
}

TEST_F(Win32PlatformTest, UnloadWindowDestroysTheWindowOnce) {
    const HWND handle = static_cast<HWND>(platform.WindowHandle());
    ASSERT_TRUE(::IsWindow(handle));
    EXPECT_TRUE(platform.WindowLoaded());
    platform.UnloadWindow();
    EXPECT_FALSE(::IsWindow(handle));
    EXPECT_FALSE(platform.WindowLoaded());
    EXPECT_THROW(platform.WindowHandle(), PlatformError);
    EXPECT_THROW(platform.UnloadWindow(), PlatformError);
}

} // namespace
} // namespace ocx::test
