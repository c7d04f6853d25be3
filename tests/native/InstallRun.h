#pragma once

// A run of either program on a scripted platform, and the parts of its traces.
#include "installer/frmMain.h"
#include "installer/frmRemove.h"
#include "tests/native/ScriptedPlatform.h"

#include <gtest/gtest.h>

namespace ocx::test {

using Files = std::set<std::wstring>;

inline const std::wstring Source = L"C:\\Setup\\morvantel.ocx";
inline const std::wstring Target = L"C:\\WINDOWS\\system32\\morvantel.ocx";
inline const Files Both = {Source, Target};

// A run of one of the programs' window objects on its own scripted platform.
template <typename Form> struct Run {
    explicit Run(Script script) : platform(std::move(script)) { form.Form_Load(); }
    ScriptedPlatform platform;
    Form form{platform};

    // The calls as one text, "; " after each.
    [[nodiscard]] std::wstring Trace() const {
        std::wstring trace;
        for (const std::wstring& call : platform.Calls) {
            trace += call + L"; ";
        }
        return trace;
    }
};

using Installation = Run<frmMain>;
using Removal = Run<frmRemove>;

// The files a run that installed leaves: those it found, and the target.
inline Files WithTarget(Files files) {
    files.insert(Target);
    return files;
}

// The trace with one call to a line, so that a failure shows the first call that differs.
inline std::wstring OnePerLine(std::wstring trace) {
    for (std::size_t at = 0; (at = trace.find(L"; ", at)) != std::wstring::npos; at += 2) {
        trace[at + 1] = L'\n';
    }
    return trace;
}

// Checks a run's calls, one to a line, so that a failure shows the first call that differs: "-"
// marks a call made but not expected, "+" one expected but not made. The failure names the case
// by the line that calls the check, given by the compiler's built-ins as default arguments (what
// std::source_location is made of, which clang-tidy 14 lacks).
template <typename Form>
void ExpectCalls(const Run<Form>& run, const std::wstring& trace,
                 const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    const ::testing::ScopedTrace named(file, line, "case");
    EXPECT_EQ(OnePerLine(run.Trace()), OnePerLine(trace));
}

// Checks that a run's calls end with those given, or, anywhere, hold them; a failure shows them
// all.
template <typename Form>
void ExpectCallsEndWith(const Run<Form>& run, const std::wstring& tail,
                        const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    const ::testing::ScopedTrace named(file, line, "case");
    const std::wstring calls = OnePerLine(run.Trace());
    EXPECT_TRUE(calls.ends_with(OnePerLine(tail))) << "the calls:\n" << calls;
}
template <typename Form>
void ExpectCallsHold(const Run<Form>& run, const std::wstring& part,
                     const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    const ::testing::ScopedTrace named(file, line, "case");
    const std::wstring calls = OnePerLine(run.Trace());
    EXPECT_NE(calls.find(OnePerLine(part)), std::wstring::npos) << "the calls:\n" << calls;
}

// Checks every effect of a run, its result, and the files: as found, plus the target if installed.
inline void ExpectRun(const Script& script, const std::wstring& trace, InstallResult result,
                      const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
    const ::testing::ScopedTrace named(file, line, "case");
    const Installation run(script);
    EXPECT_EQ(OnePerLine(run.Trace()), OnePerLine(trace));
    EXPECT_EQ(run.form.Result(), result);
    EXPECT_EQ(run.platform.AfterRestart(),
              result == InstallResult::Installed ? WithTarget(script.Files) : script.Files);
}

// A session where no one can answer: a window station that no user can see.
inline const SessionFacts Unattended{
    .StationVisible = false, .Id = 1, .State = SessionState::Active};

// The parts of the traces. Where no one can answer, the system's own boxes are silenced first.
inline const std::wstring SystemBoxesSilenced = L"SilenceSystemErrors; ";
// Runs that go on take the lock before they touch anything.
inline const std::wstring Begin = L"Lock ocxsetup.morvantel.ocx.lock; ";
inline const std::wstring Unseen =
    SystemBoxesSilenced + L"Lock ocxsetup.morvantel.ocx.lock 1800s; ";
inline const std::wstring CopyToN = L"CreateUniqueFile T.new-*.tmp; CopyFileTo S -> N; ";
inline const std::wstring Stage = CopyToN + L"ClearReadOnly N; ";
inline const std::wstring DiscardStaged = L"ClearReadOnly N; DeleteFiles N; ";
inline const std::wstring Unregister = L"Launch -u T; Job; Wait; ";
inline const std::wstring SetAside = L"RenameFile T -> O; ";
inline const std::wstring PutInPlace = L"RenameFile N -> T; ";
inline const std::wstring PlaceAndRegister = PutInPlace + L"Launch T; Job; Wait; ";
inline const std::wstring DiscardAside = L"ClearReadOnly O; DeleteFiles O; ";
inline const std::wstring SilentUnregister = L"Launch /s -u T; Job; Wait; ";
inline const std::wstring RemoveNew = SilentUnregister + L"DeleteFiles T; ";
inline const std::wstring SilentRegister = L"Launch /s T; Job; Wait; ";
inline const std::wstring Restore = L"RenameFile O => T; " + SilentRegister;
inline const std::wstring NotFound = L"Source file morvantel.ocx not found";
inline const std::wstring CopyFailure = L"Cannot copy morvantel.ocx to T";
inline const std::wstring NotRegistered = L"morvantel.ocx did not register: regsvr32 ";
inline const std::wstring NotBack =
    L"The earlier copy is back in place but did not register again: ";
// The lock is let go before the run's one report, and the window goes last.
inline const std::wstring End = L"Unlock; UnloadWindow; ";
// A box of the programs' own, of the style given, above other windows where it can be found.
inline std::wstring Box(const std::wstring& box, unsigned style = MessageStyle::Error) {
    const unsigned findable = MessageStyle::SetForeground | MessageStyle::Topmost;
    return L"ShowMessage " + std::to_wstring(style | findable) + L" OCX Installation|" + box +
           L"; ";
}
inline std::wstring UnlockThenBox(const std::wstring& box) {
    return L"Unlock; " + Box(box) + L"UnloadWindow; ";
}
inline std::wstring UnlockThenLine(const std::wstring& line) {
    return L"Unlock; WriteErrorLine " + line + L"; UnloadWindow; ";
}
inline const auto Installed = InstallResult::Installed;
inline const auto CopyFailed = InstallResult::CopyFailed;
inline const auto RegistrationFailed = InstallResult::RegistrationFailed;
inline const ProcessEnd Ok{};
inline const ProcessEnd Status5{ProcessEnd::Exited, 5};

// The trace with each tool run waited for within the time limit, as where no one can answer.
inline std::wstring Bounded(std::wstring trace) {
    for (std::size_t at = 0; (at = trace.find(L"Wait; ", at)) != std::wstring::npos;) {
        trace.replace(at, 6, L"Wait 300s; ");
    }
    return trace;
}

// A copy still held, renamed to say that it is queued for deletion at the restart, and queued.
inline std::wstring Queued(const std::wstring& file, unsigned long number) {
    const std::wstring queued = L"T.del-" + Digits(number, 10, 8) + L".tmp";
    return L"RenameFile " + file + L" -> " + queued + L"; DeleteAtRestart " + queued + L"; ";
}

// A call tried again after each pause while another program has the file.
inline std::wstring Retried(const std::wstring& call) {
    std::wstring trace = call + L"; ";
    for (const wchar_t* pause : {L"100", L"200", L"400", L"800", L"1600"}) {
        trace += L"Pause " + std::wstring(pause) + L"; " + call + L"; ";
    }
    return trace;
}

} // namespace ocx::test
