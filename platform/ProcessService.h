#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace keywright::platform {

constexpr std::uint32_t kFileAttributeDirectory = 0x10;

// Running helper programs (the driver tools) and the facts their command
// lines are built from.
class ProcessService {
  public:
    virtual ~ProcessService() = default;

    // Starts `program` with `commandLine` (as Windows passes it: the program
    // path goes separately, so the line starts where arguments would) and
    // waits without time limit for it to end. False when it did not start.
    virtual bool RunAndWait(const std::string& program, const std::string& commandLine) = 0;
    // The file's attributes (kFileAttributeDirectory for a folder), nullopt
    // when they cannot be read.
    virtual std::optional<std::uint32_t> FileAttributes(const std::string& path) = 0;
    // True when this 32-bit process runs on a 64-bit system.
    virtual bool IsWow64() = 0;
    // The folder of the program file, with its trailing separator.
    virtual std::string ProgramFolder() = 0;
};

} // namespace keywright::platform
