#pragma once

#include "platform/Platform.h"
#include "platform/PlatformError.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace ocx::test {

// What a test sets up: the files present, the calls that fail, and the other answers.
struct Script {
    std::set<std::wstring> Files;      // full paths of the ordinary files present
    std::vector<std::wstring> Failing; // calls that fail, as recorded; '*' at the end: any tail
    std::wstring FailureDescription = L"Access is denied.";
    std::deque<unsigned long> ToolExitStatuses; // one per wait, in order; 0 once they run out
    std::intptr_t ShellResult = 42;
    bool Attended = true;
    std::wstring Folder = L"C:\\Setup";
    std::string SystemDirectory = "C:\\WINDOWS\\system32";
    std::optional<unsigned> SystemDirectoryCount; // forced in place of the real count
};

// A Platform over a set of file paths, answering as scripted. It records each call as text, in
// order ("MatchFile T", "RenameFile T => O", "ShowMessage 16 <title>|<prompt>", ...), naming the
// files by letter: S the control beside the program, T the one in the system folder, N and O the
// first and second temporary files there; "=>" where a rename may replace its target. A launch of
// the system folder's regsvr32.exe, started in that folder and shown normally, shows as its
// parameters alone ("ShellExecuteA -u T"), after "unowned" when the window does not own it; any
// other launch shows in full.
class ScriptedPlatform final : public Platform, public Script {
public:
    explicit ScriptedPlatform(Script script = {}) : Script(std::move(script)) {
        const std::wstring system = Wide(SystemDirectory);
        names_ = {{L"open " + system + L"\\regsvr32.exe in " + system + L" show 1: ", L""},
                  {Folder + L"\\morvantel.ocx", L"S"},
                  {system + L"\\morvantel.ocx", L"T"},
                  {system + L"\\ocx1.tmp", L"N"},
                  {system + L"\\ocx2.tmp", L"O"}};
    }

    std::vector<std::wstring> Calls;

    std::wstring ApplicationFolder() override { return Answer(L"ApplicationFolder", Folder); }
    unsigned GetSystemDirectoryA(std::span<char> buffer) override {
        Record(L"GetSystemDirectoryA");
        if (SystemDirectoryCount || SystemDirectory.size() >= buffer.size()) {
            return SystemDirectoryCount.value_or(static_cast<unsigned>(SystemDirectory.size() + 1));
        }
        std::copy(SystemDirectory.begin(), SystemDirectory.end(), buffer.begin());
        return static_cast<unsigned>(SystemDirectory.size());
    }
    // Every scripted file is an ordinary one, which matches whatever the mask.
    std::wstring MatchFile(const std::wstring& path, unsigned /*attributes*/) override {
        const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
        return Answer(L"MatchFile " + path, Files.contains(path) ? name : L"");
    }
    void DeleteFiles(const std::wstring& path) override { Take(Record(L"DeleteFiles", path)); }
    void CopyFileTo(const std::wstring& source, const std::wstring& target) override {
        Record(L"CopyFileTo " + source + L" ->", target);
        Need(source);
        Files.insert(target);
    }
    std::wstring NewTempFileBeside(const std::wstring& path) override {
        Record(L"NewTempFileBeside");
        const std::size_t folder = path.find_last_of(L'\\');
        if (folder == std::wstring::npos) {
            throw PlatformError(3, L"The system cannot find the path specified.");
        }
        const std::wstring temp = L"\\ocx" + std::to_wstring(++temps_) + L".tmp";
        return *Files.insert(path.substr(0, folder) + temp).first;
    }
    void RenameFile(const std::wstring& from, const std::wstring& to, bool replace) override {
        Record(L"RenameFile " + from + (replace ? L" =>" : L" ->"), to);
        if (!replace && Files.contains(to)) {
            throw PlatformError(183, L"Cannot create a file when that file already exists.");
        }
        Take(from);
        Files.insert(to);
    }
    void ClearReadOnly(const std::wstring& path) override { Need(Record(L"ClearReadOnly", path)); }
    void DeleteAtRestart(const std::wstring& path) override {
        Take(Record(L"DeleteAtRestart", path));
    }

    ShellLaunch ShellExecuteA(NativeWindow owner, const std::string& operation,
                              const std::string& file, const std::string& parameters,
                              const std::string& directory, int showCommand) override {
        Record(L"ShellExecuteA " + std::wstring(owner == Window ? L"" : L"unowned ") +
               Wide(operation + " " + file + " in " + directory + " show " +
                    std::to_string(showCommand) + ": " + parameters));
        ShellLaunch launch{ShellResult, nullptr};
        if (ShellResult > ShellLaunchRefusedLimit) {
            launch.Process = std::make_unique<Process>(*this);
        }
        return launch;
    }

    bool UserCanAnswer() override { return Answer(L"UserCanAnswer", Attended); }
    void WriteErrorLine(const std::wstring& text) override { Record(L"WriteErrorLine", text); }
    int ShowMessage(const std::wstring& prompt, unsigned style,
                    const std::wstring& title) override {
        return Answer(L"ShowMessage " + std::to_wstring(style) + L" " + title + L"|" + prompt, 1);
    }
    void UnloadWindow() override { Record(L"UnloadWindow"); }
    // Not recorded, as they change nothing; they still fail when scripted to.
    NativeWindow WindowHandle() override { return Check(L"WindowHandle", Window); }
    std::string ToAnsi(const std::wstring& text) override {
        return Check(L"ToAnsi", std::string(text.begin(), text.end()));
    }
    std::wstring FromAnsi(const std::string& text) override {
        return Check(L"FromAnsi", Wide(text));
    }

    [[nodiscard]] std::size_t CountCalls(const std::wstring& prefix) const {
        return static_cast<std::size_t>(
            std::count_if(Calls.begin(), Calls.end(),
                          [&](const auto& call) { return call.starts_with(prefix); }));
    }

private:
    class Process final : public LaunchedProcess {
    public:
        explicit Process(ScriptedPlatform& platform) : platform_(platform) {}
        unsigned long WaitForExit() override {
            auto& statuses = platform_.ToolExitStatuses;
            unsigned long status = 0;
            if (!statuses.empty()) {
                status = statuses.front();
                statuses.pop_front();
            }
            return platform_.Answer(L"Wait", status);
        }

    private:
        ScriptedPlatform& platform_;
    };

    static inline const NativeWindow Window = reinterpret_cast<NativeWindow>(0x1234);

    static std::wstring Wide(const std::string& text) { return {text.begin(), text.end()}; }
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
            throw PlatformError(2, L"The system cannot find the file specified.");
        }
    }
    void Take(const std::wstring& path) {
        Need(path);
        Files.erase(path);
    }
    // Gives the answer, or fails when the script says so.
    template <typename T> T Check(const std::wstring& call, T answer) const {
        for (const std::wstring& pattern : Failing) {
            const bool any = pattern.ends_with(L'*');
            if (any ? call.starts_with(pattern.substr(0, pattern.size() - 1)) : call == pattern) {
                throw PlatformError(5, FailureDescription);
            }
        }
        return answer;
    }
    // Records the call, then gives the answer or fails.
    template <typename T> T Answer(const std::wstring& call, T answer) {
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
    int temps_ = 0;
};

} // namespace ocx::test
