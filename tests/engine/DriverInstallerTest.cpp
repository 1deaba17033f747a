#include "engine/DriverInstaller.h"

#include "EngineTestSupport.h"
#include "platform/sim/SimWorld.h"

#include <gtest/gtest.h>

namespace keywright {
namespace {

using test::TraceLog;

const std::string kFolder = "C:\\Program Files\\Keywright\\";
const std::string kX64 = kFolder + "driver\\x64";
const std::string kX86 = kFolder + "driver\\x86";

std::string Install(const std::string& package) {
    return " install \"" + package + "\" root\\vhidev";
}

// A world without the virtual device, whose driver folders hold the tool.
class DriverInstallerTest : public ::testing::Test {
  protected:
    DriverInstallerTest() : device(world.Backend().Hid(), traces.Sink()) {
        processes.PutFile(kX64 + "\\devcon.exe");
        processes.PutFile(kX86 + "\\devcon.exe");
    }

    sim::SimWorld world;
    sim::SimProcessService& processes = world.Processes();
    TraceLog traces;
    VHidev device;
};

TEST_F(DriverInstallerTest, APresentDeviceStartsNoTool) {
    world.PlugVirtualDevice();
    DriverInstaller installer(processes, device);
    EXPECT_TRUE(installer.EnsureVirtualDevice(""));
    EXPECT_TRUE(processes.Runs().empty());
    EXPECT_TRUE(device.HasDevice());
}

TEST_F(DriverInstallerTest, AMissingDeviceIsRemovedAndInstalledThenFound) {
    processes.PutFile(kX64 + "\\vhidflt.inf");
    DriverInstaller installer(processes, device, false);
    EXPECT_TRUE(installer.EnsureVirtualDevice(""));
    EXPECT_EQ(processes.Runs(), (std::vector<sim::SimProcessRun>{
                                    {kX64 + "\\devcon.exe", " remove root\\vhidev", true},
                                    {kX64 + "\\devcon.exe", Install(kX64 + "\\vhidflt.inf"), true},
                                }));
    // The install put it in; the device writes to it now.
    EXPECT_TRUE(device.HasDevice());
    device.ReleaseAll();
    EXPECT_EQ(world.Packets(world.VirtualDevice()).size(), 4u);
}

TEST_F(DriverInstallerTest, TheFolderFollowsTheSystemAndThePackageWhatTheFolderHolds) {
    const struct {
        const char* what;
        bool processIs64Bit;
        bool wow64;
        std::optional<std::uint32_t> filterPackage; // attributes of vhidflt.inf; nullopt: none
        std::string folder;
        std::string package;
    } cases[] = {
        {"32-bit program on 64-bit Windows", false, true, sim::kSimFileAttributes, kX64,
         "vhidflt.inf"},
        {"32-bit program on 32-bit Windows", false, false, sim::kSimFileAttributes, kX86,
         "vhidflt.inf"},
        // IsWow64 is false for a 64-bit program: it still runs on 64-bit Windows.
        {"64-bit program", true, false, sim::kSimFileAttributes, kX64, "vhidflt.inf"},
        {"no vhidflt.inf", false, true, std::nullopt, kX64, "vhidev.inf"},
        {"vhidflt.inf is a folder", false, true, platform::kFileAttributeDirectory, kX64,
         "vhidev.inf"},
        {"read-only vhidflt.inf", false, true, 0x21u, kX64, "vhidflt.inf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim::SimWorld fresh;
        sim::SimProcessService& runner = fresh.Processes();
        runner.SetWow64(c.wow64);
        runner.PutFile(c.folder + "\\devcon.exe");
        runner.PutFile(c.folder + "\\vhidev.inf"); // always there
        if (c.filterPackage)
            runner.PutFile(c.folder + "\\vhidflt.inf", *c.filterPackage);
        VHidev vhidev(fresh.Backend().Hid(), [](std::string_view) {});
        DriverInstaller installer(runner, vhidev, c.processIs64Bit);

        EXPECT_EQ(installer.DriverFolder(), c.folder);
        EXPECT_TRUE(installer.EnsureVirtualDevice(""));
        const std::vector<sim::SimProcessRun> runs = runner.Runs();
        ASSERT_EQ(runs.size(), 2u);
        EXPECT_EQ(runs[1].program, c.folder + "\\devcon.exe");
        EXPECT_EQ(runs[1].commandLine, Install(c.folder + "\\" + c.package));
    }
}

TEST_F(DriverInstallerTest, AGivenFolderIsUsedAsItIs) {
    const std::string folder = "D:\\drivers";
    processes.PutFile(folder + "\\devcon.exe");
    DriverInstaller installer(processes, device);
    EXPECT_TRUE(installer.EnsureVirtualDevice(folder));
    EXPECT_EQ(processes.Runs(),
              (std::vector<sim::SimProcessRun>{
                  {folder + "\\devcon.exe", " remove root\\vhidev", true},
                  {folder + "\\devcon.exe", Install(folder + "\\vhidev.inf"), true},
              }));
    processes.ClearRuns();
    EXPECT_TRUE(installer.RemoveVirtualDevice(folder));
    EXPECT_EQ(processes.Runs(), (std::vector<sim::SimProcessRun>{
                                    {folder + "\\devcon.exe", " remove root\\vhidev", true}}));
    EXPECT_FALSE(world.IsPlugged(world.VirtualDevice()));
}

TEST_F(DriverInstallerTest, AToolThatDoesNotStartEndsTheCheckWithoutANewSearch) {
    processes.RemoveFile(kX64 + "\\devcon.exe");
    DriverInstaller installer(processes, device);
    EXPECT_FALSE(installer.EnsureVirtualDevice(""));
    EXPECT_EQ(processes.Runs().size(), 2u); // both tried, neither started
    int searches = 0;
    for (const std::string& line : traces.Lines())
        searches += line.find("Error: No active device interfaces found.") == 0;
    EXPECT_EQ(searches, 1);
}

TEST_F(DriverInstallerTest, AnInstallThatPutsNothingInLeavesTheDeviceMissing) {
    processes.SetDriverInstallWorks(false);
    DriverInstaller installer(processes, device);
    EXPECT_FALSE(installer.EnsureVirtualDevice(""));
    EXPECT_EQ(processes.Runs().size(), 2u);
    EXPECT_FALSE(device.HasDevice());
    EXPECT_FALSE(device.OutputUsage(0x07, 0x04, 1)); // quietly
}

TEST_F(DriverInstallerTest, AnEmptyProgramStartsNothing) {
    DriverInstaller installer(processes, device);
    EXPECT_FALSE(installer.RunAndWait("", " remove root\\vhidev"));
    EXPECT_TRUE(processes.Runs().empty());
    EXPECT_TRUE(installer.RunAndWait(kX86 + "\\devcon.exe", " status"));
    EXPECT_EQ(processes.Runs().size(), 1u);
}

} // namespace
} // namespace keywright
