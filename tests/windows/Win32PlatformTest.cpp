// The platform operations against real files and processes, under Wine.
#include "platform/win32/Win32Platform.h"
#include "platform/PlatformError.h"

#include <gtest/gtest.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>
#include <tuple>

namespace ocx::test {
namespace {

namespace fs = std::filesystem;

class Win32PlatformTest : public ::testing::Test {
protected:
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
    std::wstring Write(const std::wstring& name, const std::string& content, DWORD attributes = 0) {
        const std::wstring path = folder + L"\\" + name;
        std::ofstream(fs::path(path)) << content;
        ::SetFileAttributesW(path.c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes);
        return path;
    }
    // A helper program of the tests, by its path from this test's folder.
    static std::wstring Helper(const std::wstring& name) {
        std::wstring self(MAX_PATH, L'\0');
        self.resize(::GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
        return fs::path(self).parent_path().wstring() + L"\\" + name;
    }
    // The test control's build of the name.
    static std::wstring TestControl(const std::wstring& build) {
        return Helper(L"controls\\" + build + L"\\morvantel.ocx");
    }
    static std::size_t Running(const std::wstring& name) {
        const UniqueKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        PROCESSENTRY32W entry{.dwSize = sizeof(PROCESSENTRY32W)};
        std::size_t count = 0;
        for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more != FALSE;
             more = ::Process32NextW(snapshot.get(), &entry)) {
            count += ::lstrcmpiW(entry.szExeFile, name.c_str()) == 0 ? 1 : 0;
        }
        return count;
    }
    static std::wstring SystemFolder() {
        std::wstring system(MAX_PATH, L'\0');
        system.resize(::GetSystemDirectoryW(system.data(), MAX_PATH));
        return system;
    }
    static void ExpectFailsSayingWhy(const std::function<void()>& call) {
        try {
            call();
            ADD_FAILURE() << "did not fail";
        } catch (const PlatformError& error) {
            EXPECT_FALSE(error.Description().empty());
            EXPECT_NE(error.Code(), 0U) << "the system's own code travels with it";
        }
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
        ExpectFailsSayingWhy([&] { platform.MatchFile(folder + path, 0); });
    }
}

TEST_F(Win32PlatformTest, DeleteFilesDeletesEveryMatchAndFailsOnNoneOrReadOnly) {
    const std::wstring keep = Write(L"keep.txt", "k");
    const std::wstring one = Write(L"one.tmp", "1");
    platform.DeleteFiles(folder + L"\\*.tmp");
    EXPECT_FALSE(fs::exists(one));
    EXPECT_THROW(platform.DeleteFiles(folder + L"\\*.tmp"), PlatformError) << "nothing to delete";
    const std::wstring locked = Write(L"locked.tmp", "l", FILE_ATTRIBUTE_READONLY);
    const std::wstring loose = Write(L"loose.tmp", "l");
    EXPECT_THROW(platform.DeleteFiles(folder + L"\\*.tmp"), PlatformError);
    EXPECT_TRUE(fs::exists(locked));
    EXPECT_FALSE(fs::exists(loose));
    EXPECT_TRUE(fs::exists(keep));
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

    EXPECT_THROW(platform.RenameFile(first, second, Existing::Refuse), PlatformError);
    EXPECT_EQ(Read(second), "");
    platform.RenameFile(first, second, Existing::Replace);
    EXPECT_EQ(Read(second), "new");
    EXPECT_FALSE(fs::exists(first));
}

TEST_F(Win32PlatformTest, LaunchRunsTheNamedFileItselfOnlyOnceResumedAndAFailedOneSaysWhy) {
    // A program named like a document runs as the program (no association, shell or search path
    // decides), and only once resumed, so that nothing it starts escapes its job.
    const std::wstring system = SystemFolder();
    const std::wstring tool = folder + L"\\tool.txt";
    const std::wstring log = folder + L"\\calls.log";
    ASSERT_TRUE(::CopyFileW((system + L"\\regsvr32.exe").c_str(), tool.c_str(), FALSE));
    // The test control's log, in the machine's environment: the only one that a launch passes on.
    const wchar_t* const environment =
        L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
    const auto bytes = static_cast<DWORD>((log.size() + 1) * sizeof(wchar_t));
    ASSERT_EQ(::RegSetKeyValueW(HKEY_LOCAL_MACHINE, environment, L"OCX_TEST_LOG", REG_SZ,
                                log.c_str(), bytes),
              ERROR_SUCCESS);
    const auto launched = platform.Launch({.Program = tool,
                                           .Arguments = L"/s /u \"" + TestControl(L"new") + L"\"",
                                           .Folder = folder});
    launched->KeepWithItsChildren();
    ::Sleep(1000);
    EXPECT_FALSE(fs::exists(log)) << "it ran before it was resumed";
    launched->Resume();
    EXPECT_EQ(launched->WaitForExit(std::chrono::seconds(60)).How, ProcessEnd::Exited);
    EXPECT_NE(Read(log).find("new unregister"), std::string::npos);
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, environment, L"OCX_TEST_LOG");
    ExpectFailsSayingWhy(
        [&] { platform.Launch({.Program = folder + L"\\absent.exe", .Folder = folder}); });
    EXPECT_EQ(platform.FromAnsi("C:\\x"), L"C:\\x");

    const HWND handle = static_cast<HWND>(platform.WindowHandle());
    ASSERT_TRUE(::IsWindow(handle));
    platform.UnloadWindow();
    EXPECT_FALSE(::IsWindow(handle));
    EXPECT_THROW(platform.WindowHandle(), PlatformError);
    EXPECT_THROW(platform.UnloadWindow(), PlatformError);
}

// A quit request queued before the box, as another program may post one, does not close it unread.
TEST_F(Win32PlatformTest, QueuedQuitRequestLeavesTheBoxToBeRead) {
    ::PostQuitMessage(0);
    std::atomic<bool> seen = false;
    std::thread reader([&] {
        for (int tries = 0; tries < 100 && !seen; ++tries) {
            ::Sleep(100);
            const HWND box = ::FindWindowW(L"#32770", L"quit test");
            if (box != nullptr && ::IsWindowVisible(box) != FALSE) {
                seen = true;
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
        }
    });
    platform.ShowMessage(L"Read me", MB_OK, L"quit test");
    reader.join();
    EXPECT_TRUE(seen);
}

// A second taker waits for the holder, or up to its limit. Another account's mutex of the name and
// a handle on the file's attributes neither hold runs up nor let them overlap. The file stays.
TEST_F(Win32PlatformTest, MachineWideLockKeepsRunsApartWhateverElseHasItsName) {
    const std::wstring name = L"ocxsetup.test." + std::to_wstring(::GetCurrentProcessId());
    const std::wstring path = SystemFolder() + L"\\ocxsetup\\" + name + L".lock";

    PSECURITY_DESCRIPTOR stranger = nullptr; // owned by the local service account
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"O:LSD:(A;;GA;;;WD)", SDDL_REVISION_1, &stranger, nullptr));
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), stranger, FALSE};
    const UniqueKernelHandle squatted(
        ::CreateMutexW(&attributes, TRUE, (L"Global\\" + name).c_str()));
    ::LocalFree(stranger);
    ASSERT_TRUE(squatted);

    std::unique_ptr<HeldLock> held = platform.LockMachineWide(path, std::nullopt);
    ASSERT_TRUE(held);
    const UniqueFileHandle looking(::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(looking);
    std::thread([&] {
        EXPECT_FALSE(platform.LockMachineWide(path, std::chrono::seconds(1)));
    }).join();
    std::atomic<bool> taken = false;
    std::thread second([&] { taken = platform.LockMachineWide(path, std::nullopt) != nullptr; });
    ::Sleep(500);
    EXPECT_FALSE(taken) << "taken while held";
    held.reset();
    second.join();
    EXPECT_TRUE(taken);
    EXPECT_TRUE(platform.LockMachineWide(path, std::chrono::seconds(1))) << "taken again";
    EXPECT_TRUE(fs::exists(path));
    ::DeleteFileW(path.c_str());
}

// A file where the lock's folder must be, or a folder where its file must be, is never used, and
// the system's reason is told; a read-only lock file is taken all the same.
TEST_F(Win32PlatformTest, LockInTheWayIsRefusedAndAReadOnlyOneIsTaken) {
    const std::wstring place =
        SystemFolder() + L"\\ocxsetup test " + std::to_wstring(::GetCurrentProcessId());
    const std::wstring path = place + L"\\test.lock";
    std::ofstream(fs::path(place)) << "in the way";
    ExpectFailsSayingWhy([&] { platform.LockMachineWide(path, std::chrono::seconds(1)); });
    fs::remove(place);
    fs::create_directories(path);
    ExpectFailsSayingWhy([&] { platform.LockMachineWide(path, std::chrono::seconds(1)); });
    fs::remove(path);
    std::ofstream(fs::path(path)).close();
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(platform.LockMachineWide(path, std::chrono::seconds(1)));
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(place);
}

// A limited wait ends the whole group when a window stays (notepad's, of the program or its child)
// or the limit passes (the old build takes 1.5 s to unregister); a splash is waited out.
TEST_F(Win32PlatformTest, LimitedWaitEndsAProgramWhoseWindowStaysOrThatOutlastsTheLimit) {
    const std::wstring system = SystemFolder();
    // Started as the installer starts the tool: held, in its job, then let run. cmd's console is
    // hidden, so that only the window of the program that it starts can count.
    const auto start = [&](const std::wstring& program, const std::wstring& arguments) {
        auto launched =
            platform.Launch({.Program = program,
                             .Arguments = arguments,
                             .Folder = system,
                             .ShowCommand = program.ends_with(L"cmd.exe") ? WindowShow::Hidden
                                                                          : WindowShow::Normal});
        launched->KeepWithItsChildren();
        launched->Resume();
        return launched;
    };
    struct Case {
        std::wstring Program;
        std::wstring Arguments;
        int LimitSeconds;
        ProcessEnd::Reason Ends;
    };
    const Case cases[] = {
        {.Program = system + L"\\notepad.exe",
         .LimitSeconds = 60,
         .Ends = ProcessEnd::ShowedWindow},
        {.Program = system + L"\\cmd.exe",
         .Arguments = L"/c start \"\" /wait notepad.exe",
         .LimitSeconds = 60,
         .Ends = ProcessEnd::ShowedWindow},
        {.Program = system + L"\\regsvr32.exe",
         .Arguments = L"/s /u " + TestControl(L"old"),
         .LimitSeconds = 1,
         .Ends = ProcessEnd::TimedOut},
        {.Program = system + L"\\regsvr32.exe",
         .Arguments = L"/s /u " + TestControl(L"splash"),
         .LimitSeconds = 60,
         .Ends = ProcessEnd::Exited},
        // A console program that takes its time: its console is no box.
        {.Program = system + L"\\ping.exe",
         .Arguments = L"-n 12 127.0.0.1",
         .LimitSeconds = 60,
         .Ends = ProcessEnd::Exited},
    };
    for (const Case& c : cases) {
        const auto launched = start(c.Program, c.Arguments);
        EXPECT_EQ(launched->WaitForExit(std::chrono::seconds(c.LimitSeconds)).How, c.Ends)
            << c.Program;
        EXPECT_EQ(Running(L"notepad.exe"), 0U) << "the wait ends every program of the group";
    }
    // An installer that goes away while the tool runs takes the tool's group with it.
    {
        const auto launched = start(system + L"\\cmd.exe", L"/c start \"\" /wait notepad.exe");
        for (int tries = 0; tries < 100 && Running(L"notepad.exe") == 0; ++tries) {
            ::Sleep(100);
        }
        ASSERT_EQ(Running(L"notepad.exe"), 1U);
    }
    for (int tries = 0; tries < 50 && Running(L"notepad.exe") != 0; ++tries) {
        ::Sleep(100);
    }
    EXPECT_EQ(Running(L"notepad.exe"), 0U) << "left running beside the next run";
    // A tool that ended by itself leaves what it started running, as it would without a job.
    EXPECT_EQ(
        start(system + L"\\cmd.exe", L"/c start \"\" notepad.exe")->WaitForExit(std::nullopt).How,
        ProcessEnd::Exited);
    ::Sleep(1000);
    EXPECT_EQ(Running(L"notepad.exe"), 1U) << "ended with the tool that started it";
    std::system("taskkill /f /im notepad.exe >nul 2>&1");
    // And may leave the job, as it could without one.
    const std::wstring log = folder + L"\\breakaway.log";
    const std::wstring event = L"ocxsetup-breakaway-" + std::to_wstring(::GetCurrentProcessId());
    const UniqueKernelHandle go(::CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    EXPECT_EQ(start(Helper(L"breakaway.exe"), event + L" \"" + log + L"\"")
                  ->WaitForExit(std::nullopt)
                  .How,
              ProcessEnd::Exited);
    ::SetEvent(go.get());
    for (int tries = 0; tries < 100 && Read(log).empty(); ++tries) {
        ::Sleep(100);
    }
    EXPECT_EQ(Read(log), "breakaway ok\n");
}

} // namespace
} // namespace ocx::test
