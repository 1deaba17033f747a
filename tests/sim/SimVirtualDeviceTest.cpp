// The virtual output device and the decoys of its search, seen through the
// HID service as the search sees them, and the packets written to it.

#include "SimTestSupport.h"
#include "platform/WindowsErrors.h"
#include "platform/sim/SimModels.h"
#include "platform/sim/SimWorld.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace keywright::sim {
namespace {

using namespace std::chrono_literals;
using platform::HidHandle;
using platform::HidWriteResult;
using test::MaskInstance;
using Bytes = std::vector<std::uint8_t>;

constexpr char kHidClass[] = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// A packet as the program builds it: 0x05, the report id, the data, zeros.
Bytes Packet(std::uint8_t reportId, const Bytes& data) {
    Bytes packet(64, 0);
    packet[0] = 0x05;
    packet[1] = reportId;
    std::copy(data.begin(), data.end(), packet.begin() + 2);
    return packet;
}

TEST(SimVirtualDevice, DecoysEachFailExactlyOneTestOfTheSearch) {
    SimWorld world;
    const SimVirtualDeviceDecoys decoys = world.PlugVirtualDeviceDecoys();
    const SimDeviceId real = world.PlugVirtualDevice();
    auto& hid = world.Backend().Hid();

    const struct {
        const char* what;
        SimDeviceId id;
        const char* devicePart;
        bool opens; // read/write, as the search opens
        platform::HidAttributes attributes;
        std::uint16_t usagePage;
        std::uint16_t usage;
    } cases[] = {
        {"wrong product",
         decoys.wrongProduct,
         "vid_deed&pid_feee",
         true,
         {0xDEED, 0xFEEE, 0x0101},
         0xFF00,
         0x01},
        {"wrong usage page",
         decoys.wrongUsagePage,
         "vid_deed&pid_feed",
         true,
         {0xDEED, 0xFEED, 0x0101},
         0xFF01,
         0x01},
        {"wrong usage",
         decoys.wrongUsage,
         "vid_deed&pid_feed",
         true,
         {0xDEED, 0xFEED, 0x0101},
         0xFF00,
         0x02},
        {"does not open",
         decoys.openDenied,
         "vid_deed&pid_feed",
         false,
         {0xDEED, 0xFEED, 0x0101},
         0xFF00,
         0x01},
        {"the real one", real, "vid_deed&pid_feed", true, {0xDEED, 0xFEED, 0x0101}, 0xFF00, 0x01},
    };
    const auto listed = hid.ListInterfaces();
    ASSERT_EQ(listed.size(), std::size(cases)) << "one collection each, in plug order";
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.what);
        const auto paths = world.Paths(c.id);
        ASSERT_EQ(paths.size(), 1U);
        EXPECT_EQ(listed[i].path, paths[0]);
        EXPECT_EQ(MaskInstance(paths[0]),
                  std::string("\\\\?\\hid#") + c.devicePart + "#<i>" + kHidClass);

        const auto open = hid.Open(paths[0], test::kReadWrite, test::kShareAll, false);
        EXPECT_EQ(platform::IsOpenHandle(open.handle), c.opens);
        if (!c.opens) {
            EXPECT_EQ(open.error, platform::HidOpenError::PermissionDenied);
        }
        // Query opens work on every one, so the rest can be compared.
        const HidHandle query = test::OpenQuery(hid, paths[0]);
        platform::HidAttributes attributes;
        platform::HidCaps caps;
        ASSERT_TRUE(hid.GetAttributes(query, attributes));
        ASSERT_TRUE(hid.GetCaps(query, caps));
        EXPECT_EQ(attributes.vendorId, c.attributes.vendorId);
        EXPECT_EQ(attributes.productId, c.attributes.productId);
        EXPECT_EQ(attributes.versionNumber, c.attributes.versionNumber);
        EXPECT_EQ(caps.usagePage, c.usagePage);
        EXPECT_EQ(caps.usage, c.usage);
        EXPECT_EQ(caps.outputReportByteLength, 64);

        const int failed = int{!c.opens} +
                           int{attributes.vendorId != 0xDEED || attributes.productId != 0xFEED} +
                           int{caps.usagePage != 0xFF00 || caps.usage != 0x01};
        EXPECT_EQ(failed, c.id == real ? 0 : 1);
        hid.Close(open.handle);
        hid.Close(query);
    }
}

TEST(SimVirtualDevice, IsPluggedOnceAndComesBackUnderTheSamePaths) {
    SimWorld world;
    EXPECT_EQ(world.VirtualDevice(), 0U);
    world.UnplugVirtualDevice(); // none yet: nothing happens
    const SimDeviceId id = world.PlugVirtualDevice();
    EXPECT_EQ(world.VirtualDevice(), id);
    EXPECT_EQ(world.PlugVirtualDevice(), id) << "already there";
    EXPECT_EQ(world.Backend().Hid().ListInterfaces().size(), 1U);
    const auto paths = world.Paths(id);

    world.UnplugVirtualDevice();
    EXPECT_FALSE(world.IsPlugged(id));
    EXPECT_TRUE(world.Backend().Hid().ListInterfaces().empty());
    EXPECT_EQ(world.PlugVirtualDevice(), id);
    EXPECT_TRUE(world.IsPlugged(id));
    EXPECT_EQ(world.Paths(id), paths);
}

class SimVirtualDevicePackets : public ::testing::Test {
  protected:
    void SetUp() override {
        device_ = world_.PlugVirtualDevice();
        handle_ =
            hid_.Open(world_.Paths(device_).at(0), test::kReadWrite, test::kShareAll, false).handle;
        ASSERT_TRUE(platform::IsOpenHandle(handle_));
    }

    HidWriteResult Write(const Bytes& bytes) {
        return hid_.Write(handle_, bytes.data(), bytes.size(), 1000);
    }

    std::ostringstream out_;
    SimWorld world_{{.trace = true, .traceOutput = &out_}};
    platform::HidService& hid_ = world_.Backend().Hid();
    SimDeviceId device_ = 0;
    HidHandle handle_ = platform::kInvalidHid;
};

TEST_F(SimVirtualDevicePackets, RecordsAndTracesEvery64BytePacket) {
    const Bytes keyA = Packet(0x01, {0x00, 0x10});
    const Bytes consumer = Packet(0x03, {0xCD, 0x00});
    for (const Bytes& packet : {keyA, consumer}) {
        const HidWriteResult result = Write(packet);
        EXPECT_EQ(result.start, HidWriteResult::Start::Completed);
        EXPECT_EQ(result.bytes, 64U);
    }
    EXPECT_EQ(world_.Packets(device_), (std::vector<Bytes>{keyA, consumer}));
    std::string zeros;
    for (int i = 0; i < 60; ++i) {
        zeros += " 00";
    }
    EXPECT_EQ(out_.str(), "sim: deed:feed write 05 01 00 10" + zeros + "\n" +
                              "sim: deed:feed write 05 03 cd 00" + zeros + "\n");
}

TEST_F(SimVirtualDevicePackets, TakesWholePacketsOnly) {
    Bytes longer = Packet(0x02, {0x01});
    longer.push_back(0xEE);
    const Bytes shorter(63, 0x05);
    const HidWriteResult cut = Write(longer);
    EXPECT_EQ(cut.start, HidWriteResult::Start::Completed);
    EXPECT_EQ(cut.bytes, 64U) << "one output report, the rest is not sent";
    const HidWriteResult refused = Write(shorter);
    EXPECT_EQ(refused.start, HidWriteResult::Start::Failed);
    EXPECT_EQ(refused.error, platform::kErrorInvalidParameter);
    EXPECT_EQ(world_.Packets(device_), (std::vector<Bytes>{Packet(0x02, {0x01})}));

    world_.ClearReports(device_);
    EXPECT_TRUE(world_.Packets(device_).empty());
}

TEST_F(SimVirtualDevicePackets, WaitsForPacketsFromAnotherThread) {
    EXPECT_FALSE(world_.WaitForPackets(device_, 1, 10ms));
    std::thread player([this] {
        for (std::uint8_t key = 4; key < 7; ++key) {
            Write(Packet(0x01, {0x00, key}));
        }
    });
    EXPECT_TRUE(world_.WaitForPackets(device_, 3, 5s));
    player.join();
    EXPECT_EQ(world_.Packets(device_).size(), 3U);
    EXPECT_TRUE(world_.WaitForPackets(device_, 0, 0ms));
}

} // namespace
} // namespace keywright::sim
