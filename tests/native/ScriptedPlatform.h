#pragma once

#include "platform/Platform.h"
#include "platform/PlatformError.h"

#include <algorithm>
#include <deque>
#include <set>
#include <string>
#include <vector>

namespace ocx::test {

// A Platform whose answers the test scripts and whose calls it records, in order, as text:
// "MatchFile C:\x", "ShellExecuteA -u C:\x", "Wait", "RenameFile C:\a -> C:\b", ... A rename
// that may replace its target shows "=>".
class ScriptedPlatform final : public Platform {
public:
    struct Launch {
        NativeWindow Owner = nullptr;
        std::string Operation, File, Parameters, Directory;
        int ShowCommand = 0;
    };
    struct Message {
        std::wstring Prompt;
        unsigned Style = 0;
        std::wstring Title;
    };

    // The script.
    std::wstring Folder = L"C:\\Setup";
    std::string SystemDirectory = "C:\\WINDOWS\\system32";
    std::deque<unsigned> SystemDirectoryCounts; // forced counts, one per call, before the real one
    std::set<std::wstring> Files;               // full paths of the ordinary files present
    std::vector<std::wstring>
        Failing; // records of calls that fail; a trailing '*' matches any tail
    std::intptr_t ShellResult = 42;
    std::deque<unsigned long> ToolExitStatuses; // one per wait, in order; 0 once they run out
    bool Attended = true;
    std::wstring FailureDescription = L"Access is denied.";

    // What happened.
    std::vector<std::wstring> Calls;
    std::vector<Launch> Launches;
    std::vector<Message> Messages;
    std::vector<std::wstring> ErrorLines;
    std::set<std::wstring> AtRestart; // files to be deleted at the next restart

    static inline const NativeWindow Window = reinterpret_cast<NativeWindow>(0x1234);

    std::wstring ApplicationFolder() override {
        Record(L"ApplicationFolder");
        return Folder;
    }

    unsigned GetSystemDirectoryA(std::span<char> buffer) override {
        Record(L"GetSystemDirectoryA");
        if (!SystemDirectoryCounts.empty()) {
            const unsigned count = SystemDirectoryCounts.front();
            SystemDirectoryCounts.pop_front();
            return count;
        }
        if (SystemDirectory.size() >= buffer.size()) {
            return static_cast<unsigned>(SystemDirectory.size() + 1);
        }
        std::copy(SystemDirectory.begin(), SystemDirectory.end(), buffer.begin());
        return static_cast<unsigned>(SystemDirectory.size());
    }

    // Every scripted file is an ordinary one, which matches whatever the mask.
    std::wstring MatchFile(const std::wstring& path, unsigned /*attributes*/) override {
        Record(L"MatchFile " + path);
        return Files.contains(path) ? path.substr(path.find_last_of(L'\\') + 1) : L"";
    }
    void DeleteFiles(const std::wstring& path) override {
        Record(L"DeleteFiles " + path);
        Take(path);
    }
    void CopyFileTo(const std::wstring& source, const std::wstring& target) override {
        Record(L"CopyFileTo " + source + L" -> " + target);
        Need(source);
        Files.insert(target);
    }
    std::wstring NewTempFileBeside(const std::wstring& path) override {
        Record(L"NewTempFileBeside");
        const std::size_t folder = path.find_last_of(L'\\');
        if (folder == std::wstring::npos) {
            throw PlatformError(3, L"The system cannot find the path specified.");
        }
        return *Files
                    .insert(path.substr(0, folder) + L"\\ocx" + std::to_wstring(++temps_) + L".tmp")
                    .first;
    }
    void RenameFile(const std::wstring& from, const std::wstring& to, bool replace) override {
        Record(L"RenameFile " + from + (replace ? L" => " : L" -> ") + to);
        if (!replace && Files.contains(to)) {
            throw PlatformError(183, L"Cannot create a file when that file already exists.");
        }
        Take(from);
        Files.insert(to);
    }
    void ClearReadOnly(const std::wstring& path) override {
        Record(L"ClearReadOnly " + path);
        Need(path);
    }
    void DeleteAtRestart(const std::wstring& path) override {
        Record(L"DeleteAtRestart " + path);
        Take(path);
        AtRestart.insert(path);
    }

    ShellLaunch ShellExecuteA(NativeWindow owner, const std::string& operation,
                              const std::string& file, const std::string& parameters,
                              const std::string& directory, int showCommand) override {
        Record(L"ShellExecuteA " + std::wstring(parameters.begin(), parameters.end()));
        Launches.push_back({owner, operation, file, parameters, directory, showCommand});
        ShellLaunch launch;
        launch.Result = ShellResult;
        if (ShellResult > ShellLaunchRefusedLimit) {
            launch.Process = std::make_unique<Process>(*this);
        }
        return launch;
    }

    bool UserCanAnswer() override {
        Record(L"UserCanAnswer");
        return Attended;
    }
    void WriteErrorLine(const std::wstring& text) override {
        Record(L"WriteErrorLine " + text);
        ErrorLines.push_back(text);
    }
    int ShowMessage(const std::wstring& prompt, unsigned style,
                    const std::wstring& title) override {
        Record(L"ShowMessage " + prompt);
        Messages.push_back({prompt, style, title});
        return 1;
    }
    NativeWindow WindowHandle() override {
        Check(L"WindowHandle");
        return Window;
    }
    void UnloadWindow() override { Record(L"UnloadWindow"); }

    std::string ToAnsi(const std::wstring& text) override {
        Check(L"ToAnsi");
        if (std::any_of(text.begin(), text.end(), [](wchar_t c) { return c > 0x7F; })) {
            throw PlatformError(1113, L"No mapping for the Unicode character exists.");
        }
        return {text.begin(), text.end()};
    }
    std::wstring FromAnsi(const std::string& text) override {
        Check(L"FromAnsi");
        return {text.begin(), text.end()};
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
            platform_.Record(L"Wait");
            auto& statuses = platform_.ToolExitStatuses;
            const unsigned long status = statuses.empty() ? 0 : statuses.front();
            if (!statuses.empty()) {
                statuses.pop_front();
            }
            return status;
        }

    private:
        ScriptedPlatform& platform_;
    };

    void Need(const std::wstring& path) const {
        if (!Files.contains(path)) {
            throw PlatformError(2, L"The system cannot find the file specified.");
        }
    }
    void Take(const std::wstring& path) {
        Need(path);
        Files.erase(path);
    }
    // Fails the call when the script says so, without recording it.
    void Check(const std::wstring& call) const {
        if (std::any_of(Failing.begin(), Failing.end(), [&](const std::wstring& pattern) {
                return pattern.ends_with(L'*')
                           ? call.starts_with(pattern.substr(0, pattern.size() - 1))
                           : call == pattern;
            })) {
            throw PlatformError(5, FailureDescription);
        }
    }
    void Record(const std::wstring& call) {
        Calls.push_back(call);
        Check(call);
    }

    int temps_ = 0;
};

} // namespace ocx::test
