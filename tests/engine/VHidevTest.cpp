#include "engine/VHidev.h"

#include "EngineTestSupport.h"
#include "platform/sim/SimModels.h"
#include "platform/sim/SimWorld.h"

#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <thread>

namespace keywright {
namespace {

using test::Packet;
using test::TraceLog;
using Bytes = std::vector<std::uint8_t>;

// The virtual device alone in a simulated world, found.
class VHidevTest : public ::testing::Test {
  protected:
    VHidevTest() : id(world.PlugVirtualDevice()), device(world.Backend().Hid(), traces.Sink()) {
        EXPECT_TRUE(device.FindVirtualDevice());
    }

    std::vector<Bytes> Packets() const { return world.Packets(id); }

    sim::SimWorld world;
    sim::SimDeviceId id;
    TraceLog traces;
    VHidev device;
};

TEST_F(VHidevTest, EachRowOfTheUsageTableAsPacketBytes) {
    const Bytes nothing; // no packet at all
    const struct {
        std::uint16_t page;
        std::uint16_t usage;
        int down;
        Bytes packet;
    } cases[] = {
        // Keyboard page: bit (usage & 7) of map byte 1 + (usage >> 3), at
        // packet byte 3 + (usage >> 3).
        {0x07, 0x04, 1, Packet({0x05, 0x01, 0x00, 0x10})},
        {0x07, 0xE1, 1,
         [] {
             Bytes p = Packet({0x05, 0x01});
             p[31] = 0x02;
             return p;
         }()},
        {0x07, 0x00, 1, Packet({0x05, 0x01, 0x00, 0x01})},
        {0x07, 0xFF, 1,
         [] {
             Bytes p = Packet({0x05, 0x01});
             p[34] = 0x80;
             return p;
         }()},
        {0x07, 0x104, 1, Packet({0x05, 0x01, 0x00, 0x10})}, // low byte only
        {0x07, 0x04, 0, Packet({0x05, 0x01})},
        // Mouse buttons on page 5: bits 0-7 of byte 0.
        {0x05, 0x00, 1, Packet({0x05, 0x02, 0x01, 0x00, 0x00, 0x00})},
        {0x05, 0x07, 1, Packet({0x05, 0x02, 0x80})},
        {0x05, 0x08, 1, Packet({0x05, 0x02})}, // no button: sent unchanged
        {0x05, 0x102, 1, Packet({0x05, 0x02, 0x04})},
        // Generic desktop: system controls from 0x80, the three axes.
        {0x01, 0x81, 1, Packet({0x05, 0x04, 0x81, 0x00})},
        {0x01, 0x81, 0, Packet({0x05, 0x04, 0x00, 0x00})},
        {0x01, 0x80, 1, Packet({0x05, 0x04, 0x80, 0x00})},
        {0x01, 0x1234, 1, Packet({0x05, 0x04, 0x34, 0x12})},
        {0x01, 0x30, 1, Packet({0x05, 0x02, 0x00, 0x30, 0x00, 0x00})},
        {0x01, 0x31, 0, Packet({0x05, 0x02, 0x00, 0x00, 0x31, 0x00})}, // up too
        {0x01, 0x38, 1, Packet({0x05, 0x02, 0x00, 0x00, 0x00, 0x38})},
        {0x01, 0x01, 1, nothing}, // the catalogue's mouse buttons
        {0x01, 0x05, 1, nothing},
        {0x01, 0x7F, 1, nothing},
        // Consumer page: the usage, LE16.
        {0x0C, 0xCD, 1, Packet({0x05, 0x03, 0xCD, 0x00})},
        {0x0C, 0xCD, 0, Packet({0x05, 0x03, 0x00, 0x00})},
        {0x0C, 0x223, 1, Packet({0x05, 0x03, 0x23, 0x02})},
        // Any other page.
        {0x00, 0x04, 1, nothing},
        {0x09, 0x01, 1, nothing},
        {0xFF00, 0x01, 1, nothing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "page " << c.page << " usage " << c.usage
                                        << " down " << c.down);
        sim::SimWorld fresh;
        const sim::SimDeviceId freshId = fresh.PlugVirtualDevice();
        VHidev vhidev(fresh.Backend().Hid(), [](std::string_view) {});
        ASSERT_TRUE(vhidev.FindVirtualDevice());
        EXPECT_EQ(vhidev.OutputUsage(c.page, c.usage, c.down), !c.packet.empty());
        const std::vector<Bytes> packets = fresh.Packets(freshId);
        if (c.packet.empty()) {
            EXPECT_TRUE(packets.empty());
        } else {
            ASSERT_EQ(packets.size(), 1u);
            EXPECT_EQ(packets[0], c.packet);
        }
    }
}

TEST_F(VHidevTest, ReportsKeepTheirStateFromChangeToChange) {
    device.OutputUsage(0x07, 0x04, 1); // A
    device.SetKeyboardBit(0xE1, 1);    // Left Shift, as playback does
    device.OutputUsage(0x07, 0x05, 1); // B
    device.OutputUsage(0x07, 0x04, 0); // A up: B and Shift stay
    device.OutputUsage(0x05, 0x01, 1); // mouse button 1
    device.OutputUsage(0x01, 0x30, 1); // X stays in later mouse reports
    device.OutputUsage(0x05, 0x01, 0); // button up
    device.OutputUsage(0x0C, 0xE9, 1); // Volume Up
    device.OutputUsage(0x0C, 0xEA, 1); // Volume Down replaces it
    Bytes shiftAndB = Packet({0x05, 0x01, 0x00, 0x20});
    shiftAndB[31] = 0x02;
    Bytes shiftAndAB = shiftAndB;
    shiftAndAB[3] = 0x30;
    Bytes shiftAndA = Packet({0x05, 0x01, 0x00, 0x10});
    shiftAndA[31] = 0x02;
    EXPECT_EQ(Packets(), (std::vector<Bytes>{
                             Packet({0x05, 0x01, 0x00, 0x10}),
                             shiftAndA,
                             shiftAndAB,
                             shiftAndB,
                             Packet({0x05, 0x02, 0x02}),
                             Packet({0x05, 0x02, 0x02, 0x30}),
                             Packet({0x05, 0x02, 0x00, 0x30}),
                             Packet({0x05, 0x03, 0xE9}),
                             Packet({0x05, 0x03, 0xEA}),
                         }));
}

TEST_F(VHidevTest, ReleaseAllSendsTheFourEmptyReportsInOrder) {
    device.OutputUsage(0x07, 0x04, 1);
    device.OutputUsage(0x01, 0x38, 1);
    device.OutputUsage(0x0C, 0xCD, 1);
    device.OutputUsage(0x01, 0x82, 1);
    world.ClearReports(id);
    device.ReleaseAll();
    EXPECT_EQ(Packets(), (std::vector<Bytes>{
                             Packet({0x05, 0x01}),
                             Packet({0x05, 0x02}),
                             Packet({0x05, 0x03}),
                             Packet({0x05, 0x04}),
                         }));
    // The mouse axes are zeroed too, not only carried along.
    world.ClearReports(id);
    device.OutputUsage(0x05, 0x00, 1);
    EXPECT_EQ(Packets(), std::vector<Bytes>{Packet({0x05, 0x02, 0x01})});
}

TEST_F(VHidevTest, SendPlacesTheDataAfterTheReportIdAndCutsIt) {
    Bytes data(80);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i + 1);
    EXPECT_TRUE(device.Send(data.data(), data.size(), 9));
    EXPECT_TRUE(device.Send(data.data(), data.size(), 0));
    EXPECT_TRUE(device.Send(data.data(), 2, 1));
    const std::vector<Bytes> packets = Packets();
    ASSERT_EQ(packets.size(), 3u);
    Bytes withId{0x05, 0x09}, withoutId{0x05};
    withId.insert(withId.end(), data.begin(), data.begin() + 62);
    withoutId.insert(withoutId.end(), data.begin(), data.begin() + 63);
    EXPECT_EQ(packets[0], withId);
    EXPECT_EQ(packets[1], withoutId);
    EXPECT_EQ(packets[2], Packet({0x05, 0x01, 0x01, 0x02}));
}

TEST(VHidevWithoutDevice, WritesFailQuietlyAndTheStateWaitsForTheDevice) {
    sim::SimWorld world;
    TraceLog traces;
    VHidev device(world.Backend().Hid(), traces.Sink());
    EXPECT_FALSE(device.FindVirtualDevice());
    EXPECT_FALSE(device.HasDevice());
    EXPECT_EQ(traces.Lines(),
              std::vector<std::string>{"Error: No active device interfaces found.\n Is the sample "
                                       "driver loaded?"});

    EXPECT_FALSE(device.OutputUsage(0x07, 0x04, 1));
    EXPECT_FALSE(device.OutputUsage(0x0C, 0xCD, 1));
    device.ReleaseAll();
    device.OutputUsage(0x07, 0x05, 1);

    // Installed later: the next packet carries what was pressed meanwhile.
    const sim::SimDeviceId id = world.PlugVirtualDevice();
    ASSERT_TRUE(device.FindVirtualDevice());
    EXPECT_TRUE(device.OutputUsage(0x07, 0x06, 1));
    EXPECT_EQ(world.Packets(id), std::vector<Bytes>{Packet({0x05, 0x01, 0x00, 0x60})});
}

TEST(VHidevSearch, TracesEachInterfaceAndKeepsTheOneThatPasses) {
    sim::SimWorld world;
    const sim::SimVirtualDeviceDecoys decoys = world.PlugVirtualDeviceDecoys();
    const sim::SimDeviceId id = world.PlugVirtualDevice();
    TraceLog traces;
    VHidev device(world.Backend().Hid(), traces.Sink());
    ASSERT_TRUE(device.FindVirtualDevice());
    EXPECT_EQ(traces.Lines(), (std::vector<std::string>{
                                  "\n....looking for our HID device (with UP=0xFF00 and "
                                  "Usage=0x01)\n",
                                  // DEED:FEEE
                                  "Device Attributes - PID: 0xfeee, VID: 0xdeed \n",
                                  "Device attributes doesn't match the sample \n",
                                  // page 0xFF01, then usage 2: no line of their own
                                  "Device Attributes - PID: 0xfeed, VID: 0xdeed \n",
                                  "Device Attributes - PID: 0xfeed, VID: 0xdeed \n",
                                  // the one that may not be opened
                                  "Warning: CreateFile failed: 5\n",
                                  "Device Attributes - PID: 0xfeed, VID: 0xdeed \n",
                                  "Success: Found my device.. \n",
                              }));
    device.OutputUsage(0x07, 0x04, 1);
    EXPECT_EQ(world.Packets(id).size(), 1u);
    for (sim::SimDeviceId decoy :
         {decoys.wrongProduct, decoys.wrongUsagePage, decoys.wrongUsage, decoys.openDenied})
        EXPECT_TRUE(world.Packets(decoy).empty());
}

TEST(VHidevSearch, TheLastPassingInterfaceWins) {
    sim::SimWorld world;
    const sim::SimDeviceId first = world.PlugVirtualDevice();
    const sim::SimDeviceId second = world.Plug(sim::VirtualOutputDevice());
    world.PlugVirtualDeviceDecoys(); // after both: failing ones do not undo the choice
    TraceLog traces;
    VHidev device(world.Backend().Hid(), traces.Sink());
    ASSERT_TRUE(device.FindVirtualDevice());
    device.OutputUsage(0x07, 0x04, 1);
    EXPECT_TRUE(world.Packets(first).empty());
    EXPECT_EQ(world.Packets(second).size(), 1u);

    // A new search closes the device first and finds the same one again.
    ASSERT_TRUE(device.FindVirtualDevice());
    device.OutputUsage(0x07, 0x04, 0);
    EXPECT_EQ(world.Packets(second).size(), 2u);
}

// A HID list whose answers the test sets per path, for failures the
// simulated world does not produce.
class ScriptedHid : public platform::HidService {
  public:
    struct Interface {
        std::optional<platform::HidOpenError> openFails;
        std::optional<platform::HidAttributes> attributes; // nullopt: the query fails
        std::optional<platform::HidCaps> caps;             // nullopt: the query fails
    };
    std::map<std::string, Interface> interfaces;
    std::vector<std::string> order;
    int openHandles = 0;

    void Add(const std::string& path, Interface interface) {
        order.push_back(path);
        interfaces[path] = interface;
    }

    std::vector<platform::HidInterfaceEntry> ListInterfaces() override {
        std::vector<platform::HidInterfaceEntry> entries;
        for (const std::string& path : order)
            entries.push_back({path, platform::kHidInterfaceClass, platform::kInterfaceActive});
        return entries;
    }
    platform::HidOpenResult Open(const std::string& path, std::uint32_t, std::uint32_t,
                                 bool) override {
        const Interface& interface = interfaces.at(path);
        if (interface.openFails)
            return {platform::kInvalidHid, *interface.openFails, "refused"};
        handles_[next_] = path;
        ++openHandles;
        return {next_++, platform::HidOpenError::None, {}};
    }
    void Close(platform::HidHandle handle) override {
        openHandles -= static_cast<int>(handles_.erase(handle));
    }
    bool GetAttributes(platform::HidHandle handle, platform::HidAttributes& out) override {
        const auto& attributes = interfaces.at(handles_.at(handle)).attributes;
        if (attributes)
            out = *attributes;
        return attributes.has_value();
    }
    bool GetCaps(platform::HidHandle handle, platform::HidCaps& out) override {
        const auto& caps = interfaces.at(handles_.at(handle)).caps;
        if (caps)
            out = *caps;
        return caps.has_value();
    }
    bool SetFeature(platform::HidHandle, const std::uint8_t*, std::size_t) override {
        return false;
    }
    bool GetFeature(platform::HidHandle, std::uint8_t*, std::size_t) override { return false; }
    platform::HidWriteResult Write(platform::HidHandle, const std::uint8_t*, std::size_t,
                                   std::uint32_t) override {
        return {platform::HidWriteResult::Start::Completed, 0, false, 64};
    }

  private:
    std::map<platform::HidHandle, std::string> handles_;
    platform::HidHandle next_ = 0x20;
};

TEST(VHidevSearch, FailedQueriesAreTracedAndTheirInterfacesClosed) {
    const platform::HidAttributes ours{0xDEED, 0xFEED, 0x0101};
    const platform::HidCaps ourCaps{0x01, 0xFF00, 0, 64, 0};
    ScriptedHid hid;
    hid.Add("gone", {platform::HidOpenError::NotFound, ours, ourCaps});
    hid.Add("busy", {platform::HidOpenError::Other, ours, ourCaps});
    hid.Add("no attributes", {std::nullopt, std::nullopt, ourCaps});
    hid.Add("no caps", {std::nullopt, ours, std::nullopt});
    hid.Add("keyboard", {std::nullopt, platform::HidAttributes{0x1A2C, 0x9FF6, 0x0102}, ourCaps});
    TraceLog traces;
    {
        VHidev device(hid, traces.Sink());
        EXPECT_FALSE(device.FindVirtualDevice());
        EXPECT_EQ(hid.openHandles, 0);
        EXPECT_FALSE(device.OutputUsage(0x07, 0x04, 1));
    }
    EXPECT_EQ(traces.Lines(), (std::vector<std::string>{
                                  "\n....looking for our HID device (with UP=0xFF00 and "
                                  "Usage=0x01)\n",
                                  "Warning: CreateFile failed: 2\n",
                                  "Warning: CreateFile failed: 31\n",
                                  "Error: HidD_GetAttributes failed \n",
                                  "Device Attributes - PID: 0xfeed, VID: 0xdeed \n",
                                  "Error: HidD_GetPreparsedData failed \n",
                                  "Device Attributes - PID: 0x9ff6, VID: 0x1a2c \n",
                                  "Device attributes doesn't match the sample \n",
                              }));

    // The device found is closed by the next search and at destruction.
    hid.Add("ours", {std::nullopt, ours, ourCaps});
    {
        VHidev device(hid, traces.Sink());
        ASSERT_TRUE(device.FindVirtualDevice());
        EXPECT_EQ(hid.openHandles, 1);
        ASSERT_TRUE(device.FindVirtualDevice());
        EXPECT_EQ(hid.openHandles, 1);
    }
    EXPECT_EQ(hid.openHandles, 0);
}

TEST_F(VHidevTest, ThreadsPressingKeysTogetherNeverLoseEachOthersBits) {
    // Two writers on disjoint keys, as the key reader and the playback
    // thread: each holds its keys down in turn, so any packet shows the
    // other's keys exactly as that one last left them.
    constexpr int kRounds = 300;
    const auto writer = [this](std::uint16_t first) {
        for (int round = 0; round < kRounds; ++round) {
            for (std::uint16_t usage = first; usage < first + 8; ++usage)
                device.OutputUsage(0x07, usage, 1);
            for (std::uint16_t usage = first; usage < first + 8; ++usage)
                device.SetKeyboardBit(usage, 0);
        }
    };
    std::thread reader(writer, std::uint16_t{0x08});   // map byte 2
    std::thread playback(writer, std::uint16_t{0x10}); // map byte 3
    reader.join();
    playback.join();

    const std::vector<Bytes> packets = Packets();
    ASSERT_EQ(packets.size(), 2u * kRounds * 16);
    // Each writer's byte moves one bit at a time: 01 03 07 .. FF FE FC .. 80 00.
    std::uint8_t last[2] = {0, 0};
    for (const Bytes& packet : packets) {
        const std::uint8_t now[2] = {packet[4], packet[5]};
        int changed = 0;
        for (int i = 0; i < 2; ++i) {
            if (now[i] == last[i])
                continue;
            ++changed;
            const auto difference = static_cast<unsigned>(now[i] ^ last[i]);
            EXPECT_EQ(difference & (difference - 1), 0u) << "one bit per packet";
        }
        EXPECT_EQ(changed, 1);
        last[0] = now[0];
        last[1] = now[1];
    }
    EXPECT_EQ(packets.back(), Packet({0x05, 0x01}));
}

} // namespace
} // namespace keywright
