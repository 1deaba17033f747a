#pragma once

#include "engine/VHidev.h"
#include "platform/ProcessService.h"

#include <string>

namespace keywright {

// Puts the virtual output device in place at start-up: when it is missing,
// removes any stale root device root\vhidev and installs it again from the
// driver package with the device console tool, waiting for the tool each
// time. Runs on the start-up thread before anything else of the engine; the
// tool needs administrator rights, which the program has.
//
// The driver folder: the program folder + "driver" + "\x64" on a 64-bit
// system, "\x86" on a 32-bit one. It holds devcon.exe, vhidflt.inf and
// vhidev.inf.
class DriverInstaller {
  public:
    static constexpr const char* kTool = "\\devcon.exe";
    static constexpr const char* kFilterPackage = "\\vhidflt.inf";
    static constexpr const char* kDevicePackage = "\\vhidev.inf";
    static constexpr const char* kRemoveCommandLine = " remove root\\vhidev";

    // `processIs64Bit`: whether this program is itself a 64-bit build. A
    // 64-bit program runs on a 64-bit system whatever IsWow64 says (that
    // test only tells a 32-bit program on a 64-bit system).
    DriverInstaller(platform::ProcessService& processes, VHidev& device,
                    bool processIs64Bit = sizeof(void*) == 8);

    // True when the device is there, found at once or after the install.
    // An empty `folder` selects DriverFolder(). False without a search after
    // the install when the tool did not start.
    bool EnsureVirtualDevice(const std::string& folder);
    // Runs the tool's remove step; whether the tool was started.
    bool RemoveVirtualDevice(const std::string& folder);
    // Starts `program` with `commandLine` (the arguments only, starting with
    // a space) and waits without time limit for it to end. False without
    // starting anything when `program` is empty; the tool's exit code is not
    // looked at.
    bool RunAndWait(const std::string& program, const std::string& commandLine);

    std::string DriverFolder();
    // The package the install step names for `folder`: vhidflt.inf when it
    // exists and is not a folder, else vhidev.inf.
    std::string PackagePath(const std::string& folder);
    // ` install "<package>" root\vhidev`
    static std::string InstallCommandLine(const std::string& package);

  private:
    std::string FolderOrDefault(const std::string& folder);

    platform::ProcessService& processes_;
    VHidev& device_;
    const bool processIs64Bit_;
};

} // namespace keywright
