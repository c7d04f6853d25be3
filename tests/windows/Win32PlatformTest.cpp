// The platform operations against real files and processes, under Wine.
#include "platform/Win32Platform.h"
#include "platform/PlatformError.h"

#include <gtest/gtest.h>

namespace ocx::test {
namespace {

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH * 4, L'\0');
    path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path.substr(0, path.find_last_of(L'\\'));
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class Win32PlatformTest : public ::testing::Test {
protected:
    // A fresh folder beside the test program, emptied of what the test leaves.
    std::wstring folder =
        ProgramFolder() + L"\\platform test " + std::to_wstring(::GetCurrentProcessId());
    Win32Platform platform{UniqueWindow(::CreateWindowExW(0, L"STATIC", L"Main", 0, 0, 0, 10, 10,
                                                          nullptr, nullptr, nullptr, nullptr))};
    std::vector<std::wstring> made;

    void SetUp() override { ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr)); }
    void TearDown() override {
        for (auto name = made.rbegin(); name != made.rend(); ++name) {
            ::SetFileAttributesW(name->c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(name->c_str()) || ::RemoveDirectoryW(name->c_str());
        }
        ::RemoveDirectoryW(folder.c_str());
    }
    // Writes a file in the test folder and gives its path.
    std::wstring Write(const std::wstring& name, const std::string& content, DWORD attributes = 0) {
        const std::wstring path = folder + L"\\" + name;
        made.push_back(path);
        const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        ::CloseHandle(file);
        ::SetFileAttributesW(path.c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes);
        return path;
    }
    static std::string Read(const std::wstring& path) {
        const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        std::string content(file == INVALID_HANDLE_VALUE ? 0 : ::GetFileSize(file, nullptr), '\0');
        DWORD read = 0;
        ::ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
        ::CloseHandle(file);
        return content;
    }
};

TEST_F(Win32PlatformTest, MatchFileFindsOrdinaryFilesOnly) {
    Write(L"plain.ocx", "p");
    Write(L"readonly.ocx", "r", FILE_ATTRIBUTE_READONLY);
    Write(L"hidden.ocx", "h", FILE_ATTRIBUTE_HIDDEN);
    Write(L"system.ocx", "s", FILE_ATTRIBUTE_SYSTEM);
    made.push_back(folder + L"\\folder.ocx");
    ASSERT_TRUE(::CreateDirectoryW(made.back().c_str(), nullptr));

    EXPECT_EQ(platform.MatchFile(folder + L"\\plain.ocx", 0), L"plain.ocx");
    EXPECT_EQ(platform.MatchFile(folder + L"\\readonly.ocx", 0), L"readonly.ocx");
    for (const wchar_t* name : {L"hidden.ocx", L"system.ocx", L"folder.ocx", L"absent.ocx",
                                L"no such folder\\plain.ocx", L"?idden.ocx"}) {
        EXPECT_EQ(platform.MatchFile(folder + L"\\" + name, 0), L"") << name;
    }
    EXPECT_EQ(platform.MatchFile(L"", 0), L"");
    // The mask admits the special entries it names; wildcards skip the others.
    EXPECT_EQ(platform.MatchFile(folder + L"\\hidden.ocx", FILE_ATTRIBUTE_HIDDEN), L"hidden.ocx");
    EXPECT_EQ(platform.MatchFile(folder + L"\\?lain.ocx", 0), L"plain.ocx");
    try {
        platform.MatchFile(folder + L"\\bad|name\\x.ocx", 0);
        ADD_FAILURE() << "a malformed path was searched";
    } catch (const PlatformError& error) {
        EXPECT_FALSE(error.Description().empty());
    }
}

TEST_F(Win32PlatformTest, DeleteFilesDeletesEveryMatchAndFailsOnNoneOrReadOnly) {
    const std::wstring one = Write(L"one.tmp", "1");
    const std::wstring keep = Write(L"keep.txt", "k");
    platform.DeleteFiles(folder + L"\\*.tmp");
    EXPECT_FALSE(Exists(one));
    EXPECT_TRUE(Exists(keep));
    EXPECT_THROW(platform.DeleteFiles(folder + L"\\*.tmp"), PlatformError) << "nothing to delete";

    const std::wstring locked = Write(L"locked.tmp", "l", FILE_ATTRIBUTE_READONLY);
    const std::wstring loose = Write(L"loose.tmp", "l");
    EXPECT_THROW(platform.DeleteFiles(folder + L"\\*.tmp"), PlatformError);
    EXPECT_TRUE(Exists(locked));
    EXPECT_FALSE(Exists(loose));
}

TEST_F(Win32PlatformTest, CopiesTemporaryFilesRenamesAndAttributes) {
    const std::wstring first = platform.NewTempFileBeside(folder + L"\\morvantel.ocx");
    const std::wstring second = platform.NewTempFileBeside(folder + L"\\morvantel.ocx");
    made.insert(made.end(), {first, second});
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(folder + L"\\", 0), 0U) << "beside the path";
    // A path in no folder never puts a file in the current one.
    EXPECT_THROW(platform.NewTempFileBeside(L"morvantel.ocx"), PlatformError);

    const std::wstring source =
        Write(L"ro.ocx", "new", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    platform.CopyFileTo(source, first);
    EXPECT_EQ(Read(first), "new");
    EXPECT_THROW(platform.CopyFileTo(folder + L"\\absent.ocx", first), PlatformError);
    platform.ClearReadOnly(first);
    EXPECT_EQ(::GetFileAttributesW(first.c_str()), DWORD{FILE_ATTRIBUTE_ARCHIVE});

    EXPECT_THROW(platform.RenameFile(first, second, false), PlatformError);
    EXPECT_EQ(Read(second), "");
    platform.RenameFile(first, second, true);
    EXPECT_EQ(Read(second), "new");
    EXPECT_FALSE(Exists(first));
}

TEST_F(Win32PlatformTest, AnsiConversionRefusesCharactersTheCodePageLacks) {
    EXPECT_EQ(platform.ToAnsi(L"C:\\Program Files\\x.ocx"), "C:\\Program Files\\x.ocx");
    EXPECT_EQ(platform.FromAnsi("C:\\x"), L"C:\\x");
    EXPECT_EQ(platform.ApplicationFolder(), ProgramFolder());
    if (::GetACP() == CP_UTF8) {
        GTEST_SKIP() << "the UTF-8 code page holds every character";
    }
    // No single-byte or East Asian code page holds both a CJK ideograph and Devanagari.
    EXPECT_THROW(platform.ToAnsi(L"C:\\\u4E2D\u0915.ocx"), PlatformError);
}

TEST_F(Win32PlatformTest, LaunchWaitsForTheProgramAndPassesAQuotedPathAsOneArgument) {
    const std::wstring tool = folder + L"\\regsvr32.exe";
    made.insert(made.end(), {tool, folder + L"\\recorded.txt"});
    ASSERT_TRUE(
        ::CopyFileW((ProgramFolder() + L"\\tool_stand_in.exe").c_str(), tool.c_str(), FALSE));
    const ShellLaunch launch =
        platform.ShellExecuteA(platform.WindowHandle(), "open", platform.ToAnsi(tool),
                               "/s -u \"C:\\dir with blanks\\morvantel.ocx\"", "", SW_SHOWNORMAL);
    EXPECT_GT(launch.Result, ShellLaunchRefusedLimit);
    ASSERT_TRUE(launch.Process);
    EXPECT_EQ(launch.Process->WaitForExit(), 3UL) << "no such control to unregister";
    // The stand-in records only after a pause: the wait ended after it had done so.
    EXPECT_NE(Read(folder + L"\\recorded.txt").find("-u \"C:\\dir with blanks\\morvantel.ocx\""),
              std::string::npos);

    const ShellLaunch refused = platform.ShellExecuteA(
        nullptr, "open", platform.ToAnsi(folder + L"\\absent.exe"), "", "", SW_SHOWNORMAL);
    EXPECT_LE(refused.Result, ShellLaunchRefusedLimit);
    EXPECT_FALSE(refused.Process) << "nothing to wait for";
}

TEST_F(Win32PlatformTest, UnloadWindowDestroysTheWindowOnce) {
    const HWND handle = static_cast<HWND>(platform.WindowHandle());
    ASSERT_TRUE(::IsWindow(handle));
    platform.UnloadWindow();
    EXPECT_FALSE(::IsWindow(handle));
    EXPECT_FALSE(platform.WindowLoaded());
    EXPECT_THROW(platform.WindowHandle(), PlatformError);
    EXPECT_THROW(platform.UnloadWindow(), PlatformError);
}

} // namespace
} // namespace ocx::test
