// The simulated process runner: what starts, what it records, and the
// device console tool that installs or removes the virtual device.

#include "platform/sim/SimWorld.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace keywright::sim {
namespace {

using platform::DeviceChange;

const std::string kFolder = "C:\\Program Files\\Keywright\\driver\\x64";
const std::string kDevcon = kFolder + "\\devcon.exe";
const std::string kInstall = " install \"" + kFolder + "\\vhidflt.inf\" root\\vhidev";
const std::string kRemove = " remove root\\vhidev";

TEST(SimProcesses, AreTheBackendsProcessService) {
    SimWorld world;
    EXPECT_EQ(&world.Backend().Processes(), &world.Processes());
}

TEST(SimProcesses, AnswersFromTheFileTable) {
    SimWorld world;
    SimProcessService& processes = world.Processes();
    EXPECT_TRUE(processes.IsWow64());
    EXPECT_EQ(processes.ProgramFolder(), "C:\\Program Files\\Keywright\\");
    processes.SetWow64(false);
    processes.SetProgramFolder("D:\\Tools\\");
    EXPECT_FALSE(processes.IsWow64());
    EXPECT_EQ(processes.ProgramFolder(), "D:\\Tools\\");

    processes.PutFile(kFolder + "\\vhidev.inf");
    processes.PutFile(kFolder + "\\vhidflt.inf", platform::kFileAttributeDirectory);
    processes.PutFile(kFolder + "\\readonly.inf", 0x01);
    const struct {
        std::string path;
        std::optional<std::uint32_t> attributes;
    } cases[] = {
        {kFolder + "\\vhidev.inf", kSimFileAttributes},
        {kFolder + "\\VHIDEV.INF", kSimFileAttributes}, // Windows paths ignore case
        {kFolder + "\\vhidflt.inf", platform::kFileAttributeDirectory},
        {kFolder + "\\readonly.inf", 0x01},
        {kFolder + "\\devcon.exe", std::nullopt},
        {kFolder, std::nullopt}, // only what the test put there exists
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(processes.FileAttributes(c.path), c.attributes);
    }
    processes.RemoveFile(kFolder + "\\VHIDEV.inf");
    EXPECT_EQ(processes.FileAttributes(kFolder + "\\vhidev.inf"), std::nullopt);
}

TEST(SimProcesses, RecordsEveryRunAndStartsOnlyProgramsThatExist) {
    SimWorld world({.virtualDevice = false});
    SimProcessService& processes = world.Processes();
    processes.PutFile(kDevcon);
    processes.PutFile(kFolder + "\\tool.exe", platform::kFileAttributeDirectory);
    EXPECT_TRUE(processes.RunAndWait(kDevcon, kRemove));
    EXPECT_FALSE(processes.RunAndWait(kFolder + "\\missing.exe", " status"));
    EXPECT_FALSE(processes.RunAndWait(kFolder + "\\tool.exe", " status")) << "a folder";
    EXPECT_FALSE(processes.RunAndWait("", kInstall));
    EXPECT_TRUE(processes.RunAndWait(kDevcon, kInstall));
    const std::vector<SimProcessRun> expected{
        {kDevcon, kRemove, true},
        {kFolder + "\\missing.exe", " status", false},
        {kFolder + "\\tool.exe", " status", false},
        {"", kInstall, false},
        {kDevcon, kInstall, true},
    };
    EXPECT_EQ(processes.Runs(), expected);
    processes.ClearRuns();
    EXPECT_TRUE(processes.Runs().empty());
}

TEST(SimProcesses, TheDeviceConsoleToolInstallsAndRemovesTheVirtualDevice) {
    const struct {
        const char* what;
        std::string program;
        std::string commandLine;
        bool installWorks;
        bool pluggedBefore;
        bool pluggedAfter;
    } cases[] = {
        {"install", kDevcon, kInstall, true, false, true},
        {"install from the other package", kDevcon,
         " install \"" + kFolder + "\\vhidev.inf\" root\\vhidev", true, false, true},
        {"install, hardware id in capitals", kDevcon, " install \"x.inf\" ROOT\\VHIDEV", true,
         false, true},
        {"install of a device already there", kDevcon, kInstall, true, true, true},
        {"install that fails", kDevcon, kInstall, false, false, false},
        {"tool missing", kFolder + "\\nodevcon.exe", kInstall, true, false, false},
        {"another program", kFolder + "\\setup.exe", kInstall, true, false, false},
        {"another hardware id", kDevcon, " install \"x.inf\" root\\vhidev2", true, false, false},
        {"another command", kDevcon, " update \"x.inf\" root\\vhidev", true, false, false},
        {"remove", kDevcon, kRemove, true, true, false},
        {"remove that fails", kDevcon, kRemove, false, true, true},
        {"remove of a device not there", kDevcon, kRemove, true, false, false},
        // The verb is the first word: a folder named "remove" does not make
        // an install a remove.
        {"install from a folder named remove", kDevcon,
         " install \"C:\\remove\\vhidev.inf\" root\\vhidev", true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SimWorld world({.virtualDevice = false});
        world.Processes().PutFile(kDevcon);
        world.Processes().PutFile(kFolder + "\\setup.exe");
        world.Processes().SetDriverInstallWorks(c.installWorks);
        if (c.pluggedBefore) {
            world.PlugVirtualDevice();
        }
        world.Processes().RunAndWait(c.program, c.commandLine);
        const SimDeviceId id = world.VirtualDevice();
        EXPECT_EQ(id != 0 && world.IsPlugged(id), c.pluggedAfter);
    }
}

// Remove, then install, as the driver installation runs the tool on a system
// without the virtual device: the device arrives, is listed, and can be
// found by its ids.
TEST(SimProcesses, AnInstallMakesTheVirtualDeviceArrive) {
    const auto world = SimWorld::Standard({.virtualDevice = false});
    world->Processes().PutFile(kDevcon);
    std::vector<std::pair<DeviceChange, std::string>> changes;
    world->Backend().Notifications().Subscribe(
        [&](DeviceChange change, const std::string& path) { changes.emplace_back(change, path); },
        [] {});

    EXPECT_TRUE(world->Processes().RunAndWait(kDevcon, kRemove));
    EXPECT_EQ(world->VirtualDevice(), 0U);
    EXPECT_TRUE(world->Processes().RunAndWait(kDevcon, kInstall));
    const SimDeviceId id = world->VirtualDevice();
    ASSERT_NE(id, 0U);
    world->Backend().Notifications().Dispatch();
    const std::vector<std::pair<DeviceChange, std::string>> arrival{
        {DeviceChange::Arrival, world->Paths(id).at(0)}};
    EXPECT_EQ(changes, arrival);

    auto& hid = world->Backend().Hid();
    const auto listed = hid.ListInterfaces();
    EXPECT_EQ(listed.back().path, world->Paths(id).at(0)) << "plugged last";
    const auto handle = hid.Open(listed.back().path, 0, 3, false).handle;
    platform::HidAttributes attributes;
    ASSERT_TRUE(hid.GetAttributes(handle, attributes));
    EXPECT_EQ(attributes.vendorId, 0xDEED);
    EXPECT_EQ(attributes.productId, 0xFEED);
}

} // namespace
} // namespace keywright::sim
