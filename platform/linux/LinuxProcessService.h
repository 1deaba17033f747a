#pragma once

#include "platform/ProcessService.h"

#include <string>
#include <string_view>
#include <vector>

namespace keywright::platform::lnx {

constexpr std::uint32_t kFileAttributeNormal = 0x80;

// A command line as the process service passes it on: split at spaces and
// tabs; a double quote starts or ends a quoted stretch, in which spaces and
// tabs belong to the argument, and is itself dropped; `""` is an empty
// argument. Nothing else is special: backslashes are kept as they are (so
// root\vhidev stays root\vhidev), and a quote left open runs to the end.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// Programs on Linux.
//
// RunAndWait starts `program` (a path, not looked up in PATH) with
// posix_spawn, argv[0] the program and the arguments from SplitCommandLine,
// in the program's environment and current folder, and waits for it to end;
// its exit status is not looked at. False when it did not start (an empty
// program, a missing file, no permission).
//
// FileAttributes: kFileAttributeDirectory for a folder, kFileAttributeNormal
// (FILE_ATTRIBUTE_NORMAL) for anything else that stat() reaches; nullopt when
// stat() fails. IsWow64 is false: there is no 32-bit emulation layer to
// detect. ProgramFolder is the folder of /proc/self/exe with a trailing '/',
// or empty when it cannot be read.
//
// Paths are taken as given; a '\' in them is part of a file name, not a
// separator.
class LinuxProcessService final : public ProcessService {
  public:
    bool RunAndWait(const std::string& program, const std::string& commandLine) override;
    std::optional<std::uint32_t> FileAttributes(const std::string& path) override;
    bool IsWow64() override { return false; }
    std::string ProgramFolder() override;
};

} // namespace keywright::platform::lnx
