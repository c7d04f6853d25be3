// The whole installation with the real platform: the test control goes into the system folder
// of this throwaway Wine prefix and is really registered by the system's regsvr32.
#include "installer/frmMain.h"
#include "platform/Win32Platform.h"
#include "tests/windows/TestFiles.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace ocx::test {
namespace {

const wchar_t* const ClassKey = L"Software\\Classes\\CLSID\\{6D6F7276-616E-7465-6C00-000000000001}";
const wchar_t* const ServerKey =
    L"Software\\Classes\\CLSID\\{6D6F7276-616E-7465-6C00-000000000001}\\InprocServer32";

std::wstring RegisteredValue(const wchar_t* name) {
    std::wstring value(MAX_PATH * 2, L'\0');
    DWORD size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, ServerKey, name, RRF_RT_REG_SZ, nullptr, value.data(),
                       &size) != ERROR_SUCCESS) {
        return {};
    }
    value.resize(size / sizeof(wchar_t) - 1);
    return value;
}

std::vector<std::string> LogLines(const std::wstring& path) {
    std::vector<std::string> lines;
    std::istringstream log(ReadFile(path));
    for (std::string line; std::getline(log, line);) {
        lines.push_back(line.substr(0, line.find(' ', line.find(' ') + 1)));
    }
    return lines;
}

class RealInstall : public ::testing::Test {
protected:
    TempFolder logs{L"ocx install log"};
    std::wstring log = logs / L"calls.log";
    std::wstring beside = ProgramFolder() + L"\\morvantel.ocx";
    std::wstring installed = SystemFolderW() + L"\\morvantel.ocx";

    void SetUp() override {
        ::SetEnvironmentVariableW(L"OCX_TEST_LOG", log.c_str());
        RemoveTree(installed);
    }
    void TearDown() override {
        RemoveTree(beside);
        RemoveTree(installed);
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, ServerKey);
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, ClassKey);
        ::SetEnvironmentVariableW(L"OCX_TEST_LOG", nullptr);
    }

    static std::wstring Control(const wchar_t* build) {
        return ProgramFolder() + L"\\controls\\" + build + L"\\morvantel.ocx";
    }

    // Puts the given build beside the program and runs the installer's load event.
    InstallResult Install(const wchar_t* build) {
        EXPECT_TRUE(::CopyFileW(Control(build).c_str(), beside.c_str(), FALSE));
        UniqueWindow window(::CreateWindowExW(0, L"STATIC", L"Main", 0, 0, 0, 10, 10, nullptr,
                                              nullptr, nullptr, nullptr));
        Win32Platform platform(window);
        frmMain form(platform);
        form.Form_Load();
        EXPECT_FALSE(window) << "the window outlived the installation";
        return form.Result();
    }
};

TEST_F(RealInstall, CopiesIntoTheSystemFolderAndRegistersThere) {
    EXPECT_EQ(Install(L"new"), InstallResult::Installed);
    EXPECT_EQ(ReadFile(installed), ReadFile(Control(L"new")));
    EXPECT_EQ(LogLines(log), std::vector<std::string>{"new register"});
    EXPECT_EQ(RegisteredValue(nullptr), installed);
    EXPECT_EQ(RegisteredValue(L"Build"), L"new");
}

TEST_F(RealInstall, UnregistersTheOldCopyBeforeRegisteringTheNewOne) {
    ASSERT_EQ(Install(L"old"), InstallResult::Installed);
    // The old build takes its time to unregister: only waiting keeps the order.
    EXPECT_EQ(Install(L"new"), InstallResult::Installed);
    const std::vector<std::string> expected = {"old register", "old unregister", "new register"};
    EXPECT_EQ(LogLines(log), expected);
    EXPECT_EQ(ReadFile(installed), ReadFile(Control(L"new")));
    EXPECT_EQ(RegisteredValue(L"Build"), L"new");
}

} // namespace
} // namespace ocx::test
