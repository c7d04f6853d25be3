#pragma once

#include "platform/Digits.h"
#include "platform/Platform.h"
#include "platform/PlatformError.h"

#include <algorithm>
#include <deque>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace ocx::test {

// The scripted failures carry no system's code: nothing here is the system.
inline constexpr unsigned long NoSystemCode = 0;

// What a test sets up: the files present, the calls that fail, and the other answers.
struct Script {
    std::set<std::wstring> Files;      // full paths of the ordinary files present
    std::set<std::wstring> InUse;      // files that a program has loaded: they cannot be deleted
    std::set<std::wstring> AtRestart;  // files queued for deletion at the next restart
    std::set<std::wstring> Hidden;     // hidden or system: an ordinary look passes over them
    std::set<std::wstring> Empty;      // files of no bytes
    std::vector<std::wstring> Failing; // calls that fail, as recorded; '*' at the end: any tail
    std::wstring FailureDescription = L"The media is write protected.";
    std::vector<std::wstring> Busy;  // calls that fail once each with a sharing violation
    std::deque<ProcessEnd> ToolEnds; // one per wait, in order; status 0 once they run out
    SessionFacts Session{.StationVisible = true, .Id = 1, .State = SessionState::Active};
    bool LockHeld = false; // another run holds the lock longer than any limit
    std::wstring Folder = L"C:\\Setup";
    std::string SystemDirectory = "C:\\WINDOWS\\system32";
    std::optional<unsigned> SystemDirectoryCount; // forced in place of the real count
    std::optional<std::size_t> CutAfter;          // the number of calls after which the power goes
    std::wstring RealSystemFolder; // where the system folder really is, when elsewhere
};

// A Platform over a set of file paths, answering as scripted. It records each effect as text
// ("CopyFileTo S -> N", "RenameFile T => O" where the target may be replaced, "ShowMessage <style>
// <title>|<prompt>"); queries go unrecorded, and fail when scripted to ("MatchFile T"). S is the
// control beside the program, T the one in the system folder (other files there by their names
// after T), N and O the first two temporary names. The system folder's regsvr32.exe, started there
// and shown normally, shows as its arguments ("Launch -u T"), its job as "Job", a wait as "Wait"
// ("Wait 300s" with a limit, "Wait held" if never resumed), the lock as "Lock <name>" ("Lock <name>
// 1800s" with a limit) and "Unlock". After CutAfter calls, the files go to AtCut.
class ScriptedPlatform final : public Platform, public Script {
public:
    explicit ScriptedPlatform(Script script = {}) : Script(std::move(script)) {
        const std::wstring system = Wide(SystemDirectory);
        const int normally = static_cast<int>(WindowShow::Normal);
        names_ = {{system + L"\\regsvr32.exe in " + system + L" show " + std::to_wstring(normally) +
                       L": ",
                   L""},
                  {Folder + L"\\morvantel.ocx", L"S"},
                  {system + L"\\morvantel.ocx.new-00000001.tmp", L"N"},
                  {system + L"\\morvantel.ocx.old-00000002.tmp", L"O"},
                  {system + L"\\morvantel.ocx", L"T"},
                  {system + L"\\ocxsetup\\", L""}};
    }

    std::vector<std::wstring> Calls;
    std::optional<Script> AtCut;

    std::wstring ApplicationFolder() override { return Ask(L"ApplicationFolder", Folder); }
    unsigned GetSystemDirectoryA(std::span<char> buffer) override {
        Ask(L"GetSystemDirectoryA", 0);
        if (SystemDirectoryCount || SystemDirectory.size() >= buffer.size()) {
            return SystemDirectoryCount.value_or(static_cast<unsigned>(SystemDirectory.size() + 1));
        }
        std::copy(SystemDirectory.begin(), SystemDirectory.end(), buffer.begin());
        return static_cast<unsigned>(SystemDirectory.size());
    }
    // A hidden or system file matches only where the mask names those.
    std::wstring MatchFile(const std::wstring& path, unsigned attributes) override {
        const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
        const unsigned special = FileAttributes::Hidden | FileAttributes::System;
        const bool seen =
            Files.contains(path) && (!Hidden.contains(path) || (attributes & special) != 0);
        return Ask(L"MatchFile " + path, seen ? name : L"");
    }
    // Only what a test asks for: one '*' standing for any name part.
    std::vector<std::wstring> MatchFiles(const std::wstring& path) override {
        Ask(L"MatchFiles " + path, 0);
        const std::size_t star = path.find(L'*');
        std::vector<std::wstring> names;
        for (const std::wstring& file : Files) {
            const std::size_t folder = file.find_last_of(L'\\') + 1;
            if (file.size() >= path.size() && file.starts_with(path.substr(0, star)) &&
                file.ends_with(path.substr(star + 1)) && folder <= star) {
                names.push_back(file.substr(folder));
            }
        }
        return names;
    }
    void DeleteFiles(const std::wstring& path) override {
        Record(L"DeleteFiles", path);
        if (InUse.contains(path)) {
            throw PlatformError(ErrorKind::Busy, NoSystemCode, L"Access is denied.");
        }
        Take(path);
    }
    void CopyFileTo(const std::wstring& source, const std::wstring& target) override {
        Record(L"CopyFileTo " + source + L" ->", target);
        Need(source);
        Files.insert(target);
    }
    std::wstring CreateUniqueFile(const std::wstring& prefix, const std::wstring& suffix) override {
        Record(L"CreateUniqueFile " + prefix + L"*" + suffix);
        if (prefix.find(L'\\') == std::wstring::npos) {
            throw PlatformError(ErrorKind::Other, NoSystemCode,
                                L"The system cannot find the path specified.");
        }
        for (;;) {
            std::wstring path = Unique(prefix, suffix);
            if (Files.insert(path).second) {
                return path;
            }
        }
    }
    std::wstring UniqueName(const std::wstring& prefix, const std::wstring& suffix) override {
        Ask(L"UniqueName " + prefix + L"*" + suffix, 0);
        return Unique(prefix, suffix);
    }
    std::uint64_t FileSize(const std::wstring& path) override {
        Need(path);
        return Check(L"FileSize", Empty.contains(path) ? 0U : 1U);
    }
    void RenameFile(const std::wstring& from, const std::wstring& to, Existing existing) override {
        const bool replace = existing == Existing::Replace;
        Record(L"RenameFile " + from + (replace ? L" =>" : L" ->"), to);
        if (!replace && Files.contains(to)) {
            throw PlatformError(ErrorKind::AlreadyExists, NoSystemCode,
                                L"Cannot create a file when that file already exists.");
        }
        if (InUse.contains(to)) {
            throw PlatformError(ErrorKind::Busy, NoSystemCode, L"Access is denied.");
        }
        Take(from);
        Files.insert(to);
        if (InUse.erase(from) != 0) {
            InUse.insert(to);
        }
    }
    void ClearReadOnly(const std::wstring& path) override { Need(Record(L"ClearReadOnly", path)); }
    void DeleteAtRestart(const std::wstring& path) override {
        Need(Record(L"DeleteAtRestart", path));
        AtRestart.insert(path);
    }
    void Pause(std::chrono::milliseconds time) override {
        Record(L"Pause " + std::to_wstring(time.count()));
    }
    std::unique_ptr<HeldLock> LockMachineWide(const std::wstring& name,
                                              std::optional<std::chrono::seconds> limit) override {
        Record(L"Lock " + name + (limit ? L" " + std::to_wstring(limit->count()) + L"s" : L""));
        return LockHeld && limit ? nullptr : std::make_unique<Lock>(*this);
    }

    std::unique_ptr<LaunchedProcess> Launch(const LaunchOptions& options) override {
        Record(L"Launch " + options.Program + L" in " + options.Folder + L" show " +
               std::to_wstring(static_cast<int>(options.ShowCommand)) + L": " + options.Arguments);
        return std::make_unique<Process>(*this);
    }

    SessionFacts Session() override { return Ask(L"Session", Script::Session); }
    void SilenceSystemErrors() override { Record(L"SilenceSystemErrors"); }
    void WriteErrorLine(const std::wstring& text) override { Record(L"WriteErrorLine", text); }
    int ShowMessage(const std::wstring& prompt, unsigned style,
                    const std::wstring& title) override {
        return Answer(L"ShowMessage " + std::to_wstring(style) + L" " + title + L"|" + prompt, 1);
    }
    void UnloadWindow() override { Record(L"UnloadWindow"); }
    std::wstring RealPath(const std::wstring& path) override {
        const std::wstring system = Wide(SystemDirectory);
        return Check(L"RealPath", RealSystemFolder.empty() || !path.starts_with(system)
                                      ? path
                                      : RealSystemFolder + path.substr(system.size()));
    }
    NativeWindow WindowHandle() override { return Check(L"WindowHandle", Window); }
    std::wstring FromAnsi(const std::string& text) override {
        return Check(L"FromAnsi", Wide(text));
    }

    // The machine as the run has left it, for another run to start from.
    [[nodiscard]] Script State() const { return static_cast<const Script&>(*this); }

    // The files as they will be after the next restart.
    [[nodiscard]] std::set<std::wstring> AfterRestart() const {
        std::set<std::wstring> files;
        std::ranges::set_difference(Files, AtRestart, std::inserter(files, files.end()));
        return files;
    }

    [[nodiscard]] std::size_t CountCalls(const std::wstring& prefix) const {
        return std::ranges::count_if(Calls, [&](const auto& c) { return c.starts_with(prefix); });
    }

private:
    class Process final : public LaunchedProcess {
    public:
        explicit Process(ScriptedPlatform& platform) : platform_(platform) {}
        void KeepWithItsChildren() override { platform_.Record(L"Job"); }
        void Resume() override { resumed_ = true; }
        ProcessEnd WaitForExit(std::optional<std::chrono::seconds> limit) override {
            auto& ends = platform_.ToolEnds;
            ProcessEnd end;
            if (!ends.empty()) {
                end = ends.front();
                ends.pop_front();
            }
            return platform_.Answer(
                L"Wait" + std::wstring(resumed_ ? L"" : L" held") +
                    (limit ? L" " + std::to_wstring(limit->count()) + L"s" : L""),
                end);
        }

    private:
        ScriptedPlatform& platform_;
        bool resumed_ = false;
    };
    class Lock final : public HeldLock {
    public:
        explicit Lock(ScriptedPlatform& platform) : platform_(platform) {}
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        Lock(Lock&&) = delete;
        Lock& operator=(Lock&&) = delete;
        ~Lock() override { platform_.Calls.emplace_back(L"Unlock"); }

    private:
        ScriptedPlatform& platform_;
    };

    static inline const NativeWindow Window = reinterpret_cast<NativeWindow>(0x1234);

    static std::wstring Wide(const std::string& text) { return {text.begin(), text.end()}; }
    // The next temporary name: the numbers count up from 1 across all of them.
    std::wstring Unique(const std::wstring& prefix, const std::wstring& suffix) {
        return prefix + Digits(++temps_, 10, 8) + suffix;
    }
    // The call with the script's files named by letter, and the usual launch by its parameters.
    [[nodiscard]] std::wstring Named(std::wstring call) const {
        for (const auto& [text, name] : names_) {
            for (std::size_t at = 0; (at = call.find(text, at)) != std::wstring::npos;) {
                call.replace(at, text.size(), name);
            }
        }
        return call;
    }
    void Need(const std::wstring& path) const {
        if (!Files.contains(path)) {
            throw PlatformError(ErrorKind::NotFound, NoSystemCode,
                                L"The system cannot find the file specified.");
        }
    }
    void Take(const std::wstring& path) {
        Need(path);
        Files.erase(path);
    }
    static bool Matches(const std::wstring& call, const std::wstring& pattern) {
        return pattern.ends_with(L'*') ? call.starts_with(pattern.substr(0, pattern.size() - 1))
                                       : call == pattern;
    }
    // Gives the answer, or fails when the script says so.
    template <typename T> T Check(const std::wstring& call, T answer) {
        if (std::ranges::any_of(Failing,
                                [&](const auto& pattern) { return Matches(call, pattern); })) {
            throw PlatformError(ErrorKind::Other, NoSystemCode, FailureDescription);
        }
        const auto busy =
            std::ranges::find_if(Busy, [&](const auto& p) { return Matches(call, p); });
        if (busy != Busy.end()) {
            Busy.erase(busy);
            throw PlatformError(ErrorKind::Busy, NoSystemCode,
                                L"The file is being used by another process.");
        }
        return answer;
    }
    // Answers a query, or fails.
    template <typename T> T Ask(const std::wstring& call, T answer) {
        return Check(Named(call), answer);
    }
    // Records the call, then gives the answer or fails.
    template <typename T> T Answer(const std::wstring& call, T answer) {
        if (CutAfter == Calls.size()) {
            AtCut = State();
        }
        Calls.push_back(Named(call));
        return Check(Calls.back(), answer);
    }
    void Record(const std::wstring& call) { Answer(call, 0); }
    // Records "<call> <path>" and gives the path.
    const std::wstring& Record(const std::wstring& call, const std::wstring& path) {
        Answer(call + L" " + path, 0);
        return path;
    }

    std::vector<std::pair<std::wstring, std::wstring>> names_; // a text, and what it shows as
    unsigned long temps_ = 0;
};

} // namespace ocx::test
