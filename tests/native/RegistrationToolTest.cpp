#include "installer/RegistrationTool.h"

#include <gtest/gtest.h>

namespace ocx::test {
namespace {

// The control's path is one argument: in quotes where a blank or a tab would split it.
TEST(RegistrationTool, ArgumentsKeepTheControlsPathOneArgument) {
    using enum ToolAction;
    using enum ToolMessages;
    EXPECT_EQ(RegistrationTool::Arguments(L"C:\\W\\m.ocx", Register, AsUsual), L"C:\\W\\m.ocx");
    EXPECT_EQ(RegistrationTool::Arguments(L"D:\\Win Dir\\m.ocx", Unregister, None),
              L"/s -u \"D:\\Win Dir\\m.ocx\"");
    EXPECT_EQ(RegistrationTool::Arguments(L"D:\\Win\tDir\\m.ocx", Register, None),
              L"/s \"D:\\Win\tDir\\m.ocx\"");
}

// An exception's code (a crash, a breakpoint) in hexadecimal, as Windows writes it; any other
// status in decimal.
TEST(RegistrationTool, FailureSaysHowTheToolEnded) {
    using enum ProcessEnd::Reason;
    EXPECT_EQ(RegistrationTool::Failure({Exited, 0}), L"");
    EXPECT_EQ(RegistrationTool::Failure({Exited, 5}), L"regsvr32 ended with status 5");
    EXPECT_EQ(RegistrationTool::Failure({Exited, 0x7FFFFFFF}),
              L"regsvr32 ended with status 2147483647");
    EXPECT_EQ(RegistrationTool::Failure({Exited, 0x80000003}),
              L"regsvr32 ended with status 0x80000003");
    EXPECT_EQ(RegistrationTool::Failure({ShowedWindow, 1}),
              L"regsvr32 showed a window that no one can answer and was ended");
    EXPECT_EQ(RegistrationTool::Failure({TimedOut, 1}),
              L"regsvr32 did not end within 5 minutes and was ended");
}

} // namespace
} // namespace ocx::test
