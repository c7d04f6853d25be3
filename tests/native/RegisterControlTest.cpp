#include "tests/native/InstallRun.h"

namespace ocx::test {
namespace {

// With a blank or a tab in the system folder's name, the control's path is one argument.
TEST(RegisterControl, QuotesTheControlsPathWhenTheSystemFolderHasABlankOrATab) {
    const std::wstring quoted = Begin + Stage + L"Launch -u \"T\"; " + L"Job; Wait; " + SetAside +
                                PutInPlace + L"Launch \"T\"; Job; Wait; " + DiscardAside + End;
    for (const std::string folder : {"D:\\Win Dir", "D:\\Win\tDir"}) {
        const std::wstring target = std::wstring(folder.begin(), folder.end()) + L"\\morvantel.ocx";
        EXPECT_EQ(Installation({.Files = {Source, target}, .SystemDirectory = folder}).Trace(),
                  quoted);
    }
}

} // namespace
} // namespace ocx::test
