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
// "MatchFile C:\x", "ShellExecuteA -u C:\x", "Wait", "DeleteFiles C:\x", ...
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
    unsigned long ToolExitStatus = 0;
    bool ConversionsFail = false;
    std::wstring FailureDescription = L"Access is denied.";

    // What happened.
    std::vector<std::wstring> Calls;
    std::vector<Launch> Launches;
    std::vector<Message> Messages;

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
        buffer[SystemDirectory.size()] = '\0';
        return static_cast<unsigned>(SystemDirectory.size());
    }

    std::wstring MatchFile(const std::wstring& path, unsigned attributes) override {
        Record(L"MatchFile " + path);
        if (attributes != 0 || !Files.contains(path)) {
            return {};
        }
        return path.substr(path.find_last_of(L'\\') + 1);
    }

    void DeleteFiles(const std::wstring& path) override {
        Record(L"DeleteFiles " + path);
        if (Files.erase(path) == 0) {
            throw PlatformError(2, L"The system cannot find the file specified.");
        }
    }

    void CopyFileTo(const std::wstring& source, const std::wstring& target) override {
        Record(L"CopyFileTo " + source + L" -> " + target);
        if (!Files.contains(source) || target.empty()) {
            throw PlatformError(2, L"The system cannot find the file specified.");
        }
        Files.insert(target);
    }

    ShellLaunch ShellExecuteA(NativeWindow owner, const std::string& operation,
                              const std::string& file, const std::string& parameters,
                              const std::string& directory, int showCommand) override {
        Record(L"ShellExecuteA " + Widen(parameters));
        Launches.push_back({owner, operation, file, parameters, directory, showCommand});
        ShellLaunch launch;
        launch.Result = ShellResult;
        if (ShellResult > ShellLaunchRefusedLimit) {
            launch.Process = std::make_unique<Process>(*this);
        }
        return launch;
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
        std::string narrow;
        for (const wchar_t c : text) {
            if (c > 0x7F || ConversionsFail) {
                throw PlatformError(1113, L"No mapping for the Unicode character exists.");
            }
            narrow += static_cast<char>(c);
        }
        return narrow;
    }

    std::wstring FromAnsi(const std::string& text) override {
        Check(L"FromAnsi");
        if (ConversionsFail) {
            throw PlatformError(1113, L"No mapping for the Unicode character exists.");
        }
        return Widen(text);
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
            return platform_.ToolExitStatus;
        }

    private:
        ScriptedPlatform& platform_;
    };

    static std::wstring Widen(const std::string& text) { return {text.begin(), text.end()}; }

    // Fails the call when the script says so, without recording it.
    void Check(const std::wstring& call) const {
        for (const auto& pattern : Failing) {
            const bool matches = pattern.ends_with(L'*')
                                     ? call.starts_with(pattern.substr(0, pattern.size() - 1))
                                     : call == pattern;
            if (matches) {
                throw PlatformError(5, FailureDescription);
            }
        }
    }

    void Record(const std::wstring& call) {
        Calls.push_back(call);
        Check(call);
    }
};

} // namespace ocx::test
