#pragma once

#include "platform/ProcessService.h"

namespace keywright::platform::win32 {

// Programs through CreateProcessW, shown normally (STARTF_USESHOWWINDOW,
// SW_SHOWNORMAL), with the environment and current folder of this process,
// no handles inherited; RunAndWait waits for the program without time limit
// and does not look at its exit code. The program path goes as the
// application name, the command line separately, as the driver tools' lines
// are built.
class Win32ProcessService final : public ProcessService {
  public:
    bool RunAndWait(const std::string& program, const std::string& commandLine) override;
    std::optional<std::uint32_t> FileAttributes(const std::string& path) override;
    // IsWow64Process of this process.
    bool IsWow64() override;
    // The folder of GetModuleFileNameW, with its trailing backslash.
    std::string ProgramFolder() override;
};

} // namespace keywright::platform::win32
