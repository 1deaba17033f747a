#include "engine/DriverInstaller.h"

namespace keywright {

DriverInstaller::DriverInstaller(platform::ProcessService& processes, VHidev& device,
                                 bool processIs64Bit)
    : processes_(processes), device_(device), processIs64Bit_(processIs64Bit) {}

std::string DriverInstaller::DriverFolder() {
    const bool system64 = processIs64Bit_ || processes_.IsWow64();
    // ProgramFolder keeps its trailing separator, so "driver" follows it
    // directly.
    return processes_.ProgramFolder() + "driver" + (system64 ? "\\x64" : "\\x86");
}

std::string DriverInstaller::FolderOrDefault(const std::string& folder) {
    return folder.empty() ? DriverFolder() : folder;
}

std::string DriverInstaller::PackagePath(const std::string& folder) {
    const std::string filter = folder + kFilterPackage;
    const auto attributes = processes_.FileAttributes(filter);
    if (!attributes || (*attributes & platform::kFileAttributeDirectory) != 0)
        return folder + kDevicePackage;
    return filter;
}

std::string DriverInstaller::InstallCommandLine(const std::string& package) {
    return " install \"" + package + "\" root\\vhidev";
}

bool DriverInstaller::RunAndWait(const std::string& program, const std::string& commandLine) {
    if (program.empty())
        return false;
    return processes_.RunAndWait(program, commandLine);
}

bool DriverInstaller::RemoveVirtualDevice(const std::string& folder) {
    return RunAndWait(FolderOrDefault(folder) + kTool, kRemoveCommandLine);
}

bool DriverInstaller::EnsureVirtualDevice(const std::string& folder) {
    if (device_.FindVirtualDevice())
        return true;
    // A stale root device may be left from an install that went wrong; the
    // result does not matter (there may be nothing to remove).
    RemoveVirtualDevice(folder);
    const std::string driverFolder = FolderOrDefault(folder);
    if (!RunAndWait(driverFolder + kTool, InstallCommandLine(PackagePath(driverFolder))))
        return false;
    return device_.FindVirtualDevice();
}

} // namespace keywright
