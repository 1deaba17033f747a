#include "platform/linux/LinuxProcessService.h"

#include <cerrno>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char** environ;

namespace keywright::platform::lnx {

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool quoted = false;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inArgument)
                arguments.push_back(std::move(current));
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments.push_back(std::move(current));
    return arguments;
}

bool LinuxProcessService::RunAndWait(const std::string& program, const std::string& commandLine) {
    if (program.empty())
        return false;
    std::vector<std::string> arguments = SplitCommandLine(commandLine);
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    pid_t child = 0;
    // glibc reports a program that cannot be executed here, not as a child
    // that exits with 127.
    if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

std::optional<std::uint32_t> LinuxProcessService::FileAttributes(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return S_ISDIR(info.st_mode) ? kFileAttributeDirectory : kFileAttributeNormal;
}

std::string LinuxProcessService::ProgramFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !program.has_parent_path())
        return {};
    std::string folder = program.parent_path().string();
    if (!folder.ends_with('/'))
        folder += '/';
    return folder;
}

} // namespace keywright::platform::lnx
