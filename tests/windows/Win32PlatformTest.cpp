// The platform operations against real files and processes, under Wine.
#include "platform/Win32Platform.h"
#include "platform/PlatformError.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>

namespace ocx::test {
namespace {

namespace fs = std::filesystem;

class Win32PlatformTest : public ::testing::Test {
protected:
    // A fresh folder of the test's own, removed with all it holds.
    std::wstring folder = (fs::temp_directory_path() / L"platform test").wstring() +
                          std::to_wstring(::GetCurrentProcessId());
    Win32Platform platform{UniqueWindow(::CreateWindowExW(0, L"STATIC", L"Main", 0, 0, 0, 10, 10,
                                                          nullptr, nullptr, nullptr, nullptr))};

    void SetUp() override { ASSERT_TRUE(fs::create_directory(folder)); }
    void TearDown() override {
        for (const auto& entry : fs::directory_iterator(folder)) {
            ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        fs::remove_all(folder);
    }
    // Writes a file in the test folder and gives its path.
    std::wstring Write(const std::wstring& name, const std::string& content, DWORD attributes = 0) {
        const std::wstring path = folder + L"\\" + name;
        std::ofstream(fs::path(path)) << content;
        ::SetFileAttributesW(path.c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes);
        return path;
    }
    static std::string Read(const std::wstring& path) {
        std::ifstream file{fs::path(path)};
        return {std::istreambuf_iterator<char>(file), {}};
    }
};

TEST_F(Win32PlatformTest, MatchFileFindsOrdinaryFilesOnly) {
    Write(L"plain.ocx", "p");
    Write(L"readonly.ocx", "r", FILE_ATTRIBUTE_READONLY);
    Write(L"hidden.ocx", "h", FILE_ATTRIBUTE_HIDDEN);
    Write(L"system.ocx", "s", FILE_ATTRIBUTE_SYSTEM);
    fs::create_directory(folder + L"\\folder.ocx");

    EXPECT_EQ(platform.MatchFile(folder + L"\\plain.ocx", 0), L"plain.ocx");
    EXPECT_EQ(platform.MatchFile(folder + L"\\readonly.ocx", 0), L"readonly.ocx");
    for (const wchar_t* name :
         {L"hidden.ocx", L"system.ocx", L"folder.ocx", L"absent.ocx", L"?idden.ocx"}) {
        EXPECT_EQ(platform.MatchFile(folder + L"\\" + name, 0), L"") << name;
    }
    EXPECT_EQ(platform.MatchFile(L"", 0), L"");
    // The mask admits the special entries it names; wildcards skip the others.
    EXPECT_EQ(platform.MatchFile(folder + L"\\hidden.ocx", FILE_ATTRIBUTE_HIDDEN), L"hidden.ocx");
    EXPECT_EQ(platform.MatchFile(folder + L"\\?lain.ocx", 0), L"plain.ocx");
    // A folder that is not there cannot be searched, nor can a malformed path.
    for (const wchar_t* path : {L"\\no such folder\\plain.ocx", L"\\bad|name\\x.ocx"}) {
        try {
            platform.MatchFile(folder + path, 0);
            ADD_FAILURE() << "searched " << testing::PrintToString(path);
        } catch (const PlatformError& error) {
            EXPECT_FALSE(error.Description().empty());
        }
    }
}

TEST_F(Win32PlatformTest, DeleteFilesDeletesEveryMatchAndFailsOnNoneOrReadOnly) {
    const std::wstring one = Write(L"one.tmp", "1");
    const std::wstring keep = Write(L"keep.txt", "k");
    platform.DeleteFiles(folder + L"\\*.tmp");
    EXPECT_FALSE(fs::exists(one));
    EXPECT_TRUE(fs::exists(keep));
    EXPECT_THROW(platform.DeleteFiles(folder + L"\\*.tmp"), PlatformError) << "nothing to delete";

    const std::wstring locked = Write(L"locked.tmp", "l", FILE_ATTRIBUTE_READONLY);
    const std::wstring loose = Write(L"loose.tmp", "l");
    EXPECT_THROW(platform.DeleteFiles(folder + L"\\*.tmp"), PlatformError);
    EXPECT_TRUE(fs::exists(locked));
    EXPECT_FALSE(fs::exists(loose));
}

TEST_F(Win32PlatformTest, CopiesTemporaryFilesRenamesAndAttributes) {
    const std::wstring prefix = folder + L"\\morvantel.ocx.new-";
    const std::wstring first = platform.CreateUniqueFile(prefix, L".tmp");
    const std::wstring second = platform.CreateUniqueFile(prefix, L".tmp");
    EXPECT_NE(first, second);
    EXPECT_EQ(first.size(), prefix.size() + 12);
    EXPECT_EQ(first.rfind(prefix, 0), 0U);
    EXPECT_EQ(platform.MatchFiles(folder + L"\\*.tmp").size(), 2U);
    // A path in no folder never puts a file in the current one.
    EXPECT_THROW(platform.CreateUniqueFile(L"morvantel.ocx.new-", L".tmp"), PlatformError);

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
    EXPECT_FALSE(fs::exists(first));
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

TEST_F(Win32PlatformTest, RefusedLaunchGivesNothingToWaitForAndTheWindowGoesOnce) {
    const ShellLaunch refused = platform.ShellExecuteA(
        nullptr, "open", platform.ToAnsi(folder + L"\\absent.exe"), "", "", SW_SHOWNORMAL);
    EXPECT_LE(refused.Result, ShellLaunchRefusedLimit);
    EXPECT_FALSE(refused.Process);

    const HWND handle = static_cast<HWND>(platform.WindowHandle());
    ASSERT_TRUE(::IsWindow(handle));
    platform.UnloadWindow();
    EXPECT_FALSE(::IsWindow(handle));
    EXPECT_FALSE(platform.WindowLoaded());
    EXPECT_THROW(platform.WindowHandle(), PlatformError);
    EXPECT_THROW(platform.UnloadWindow(), PlatformError);
}

// A second taker waits until the holder lets go, or up to its limit; a lock whose holder ended
// without letting go, as a run that was cut off, is free. One that a stranger's account owns
// (made first by a standard user, to hold runs up) is not waited for.
TEST_F(Win32PlatformTest, MachineWideLockWaitsForItsHolderOnlyAndUpToTheLimit) {
    const std::wstring name = L"ocxsetup.test." + std::to_wstring(::GetCurrentProcessId());
    std::unique_ptr<HeldLock> abandoned;
    std::thread([&] { abandoned = platform.LockMachineWide(name, std::nullopt); }).join();
    std::unique_ptr<HeldLock> held;
    ASSERT_NO_THROW(held = platform.LockMachineWide(name, std::nullopt));
    std::thread([&] {
        EXPECT_FALSE(platform.LockMachineWide(name, std::chrono::seconds(1)));
    }).join();
    std::atomic<bool> taken = false;
    std::thread second([&] {
        const auto lock = platform.LockMachineWide(name, std::nullopt);
        taken = true;
    });
    ::Sleep(300);
    EXPECT_FALSE(taken);
    held.reset();
    second.join();
    EXPECT_TRUE(taken);

    PSECURITY_DESCRIPTOR stranger = nullptr; // owned by the local service account
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"O:LSD:(A;;GA;;;WD)", SDDL_REVISION_1, &stranger, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), stranger, FALSE};
    const UniqueKernelHandle squatted(
        ::CreateMutexW(&attributes, TRUE, (L"Global\\" + name + L".squatted").c_str()));
    ::LocalFree(stranger);
    ASSERT_TRUE(squatted);
    EXPECT_THROW(platform.LockMachineWide(name + L".squatted", std::nullopt), PlatformError);
}

// A limited wait ends a program whose window stays (notepad's), and one that outlasts the limit
// (the test control's old build takes a second and a half to unregister) when it has passed; a
// window that goes away within a few seconds (the splash build's) is waited out.
TEST_F(Win32PlatformTest, LimitedWaitEndsAProgramWhoseWindowStaysOrThatOutlastsTheLimit) {
    std::wstring control(MAX_PATH, L'\0');
    control.resize(::GetModuleFileNameW(nullptr, control.data(), MAX_PATH));
    control = fs::path(control).parent_path().wstring() + L"\\controls\\old\\morvantel.ocx";
    const std::wstring splash =
        fs::path(control).parent_path().replace_filename(L"splash") / L"morvantel.ocx";
    std::string system(MAX_PATH, '\0');
    system.resize(::GetSystemDirectoryA(system.data(), MAX_PATH));
    for (const auto& [program, parameters, limit, why] :
         {std::tuple{system + "\\notepad.exe", std::string(), 60, ProcessEnd::ShowedWindow},
          {system + "\\regsvr32.exe", "/s /u " + platform.ToAnsi(control), 1, ProcessEnd::TimedOut},
          {system + "\\regsvr32.exe", "/s /u " + platform.ToAnsi(splash), 60,
           ProcessEnd::Exited}}) {
        const ShellLaunch launch =
            platform.ShellExecuteA(nullptr, "open", program, parameters, "", SW_SHOWNORMAL);
        ASSERT_TRUE(launch.Process) << program;
        EXPECT_EQ(launch.Process->WaitForExit(std::chrono::seconds(limit)).How, why) << program;
    }
}

} // namespace
} // namespace ocx::test
