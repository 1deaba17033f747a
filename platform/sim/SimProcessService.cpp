#include "platform/sim/SimProcessService.h"

#include "platform/sim/SimWorld.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace keywright::sim {
namespace {

std::string Lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The whitespace-separated words of a command line, lowercase, with
// surrounding double quotes removed. Enough for the tool's lines: a quoted
// path with spaces splits into words that name nothing.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    auto at = line.begin();
    while (true) {
        at = std::find_if_not(at, line.end(), IsSpace);
        if (at == line.end()) {
            return words;
        }
        const auto end = std::find_if(at, line.end(), IsSpace);
        std::string word = Lowercase({at, end});
        if (word.size() >= 2 && word.front() == '"' && word.back() == '"') {
            word = word.substr(1, word.size() - 2);
        }
        words.push_back(std::move(word));
        at = end;
    }
}

std::string FileName(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

enum class ToolAction { None, Install, Remove };

// What the device console tool would do to the virtual device: its first
// word is the command, and one word must be the hardware id.
ToolAction DevconAction(const std::string& program, const std::string& commandLine) {
    const std::vector<std::string> words = Words(commandLine);
    if (Lowercase(FileName(program)) != "devcon.exe" || words.empty() ||
        std::find(words.begin(), words.end(), "root\\vhidev") == words.end()) {
        return ToolAction::None;
    }
    if (words.front() == "install") {
        return ToolAction::Install;
    }
    if (words.front() == "remove") {
        return ToolAction::Remove;
    }
    return ToolAction::None;
}

} // namespace

SimProcessService::SimProcessService(SimWorld& world) : world_(world) {}

bool SimProcessService::RunAndWait(const std::string& program, const std::string& commandLine) {
    ToolAction action = ToolAction::None;
    bool started = false;
    {
        std::lock_guard lock(mutex_);
        const auto it = files_.find(Lowercase(program));
        started = !program.empty() && it != files_.end() &&
                  (it->second & platform::kFileAttributeDirectory) == 0;
        runs_.push_back({program, commandLine, started});
        if (started && installWorks_) {
            action = DevconAction(program, commandLine);
        }
    }
    if (action == ToolAction::Install) {
        world_.PlugVirtualDevice();
    } else if (action == ToolAction::Remove) {
        world_.UnplugVirtualDevice();
    }
    return started;
}

std::optional<std::uint32_t> SimProcessService::FileAttributes(const std::string& path) {
    std::lock_guard lock(mutex_);
    const auto it = files_.find(Lowercase(path));
    if (it == files_.end()) {
        return std::nullopt;
    }
    return it->second;
}

bool SimProcessService::IsWow64() {
    std::lock_guard lock(mutex_);
    return wow64_;
}

std::string SimProcessService::ProgramFolder() {
    std::lock_guard lock(mutex_);
    return programFolder_;
}

void SimProcessService::PutFile(const std::string& path, std::uint32_t attributes) {
    std::lock_guard lock(mutex_);
    files_[Lowercase(path)] = attributes;
}

void SimProcessService::RemoveFile(const std::string& path) {
    std::lock_guard lock(mutex_);
    files_.erase(Lowercase(path));
}

void SimProcessService::SetWow64(bool wow64) {
    std::lock_guard lock(mutex_);
    wow64_ = wow64;
}

void SimProcessService::SetProgramFolder(std::string folder) {
    std::lock_guard lock(mutex_);
    programFolder_ = std::move(folder);
}

void SimProcessService::SetDriverInstallWorks(bool works) {
    std::lock_guard lock(mutex_);
    installWorks_ = works;
}

std::vector<SimProcessRun> SimProcessService::Runs() const {
    std::lock_guard lock(mutex_);
    return runs_;
}

void SimProcessService::ClearRuns() {
    std::lock_guard lock(mutex_);
    runs_.clear();
}

} // namespace keywright::sim
