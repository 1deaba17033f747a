#include "device/HidDevice.h"

#include "FakeHid.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace keywright {
namespace {

using test::FakeHid;
using test::FakeLocks;
using Start = platform::HidWriteResult::Start;

const std::string kKeyboard = "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#x#{g}";
const std::string kOther = "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_00#x#{g}";

class HidDeviceTest : public ::testing::Test {
  protected:
    HidDeviceTest() : device(hid, locks, [this](std::string_view line) { trace += line; }) {
        hid.caps[kKeyboard] = {1, 0xFF00, 8, 8, 8};
        hid.caps[kOther] = {6, 1, 9, 2, 0};
    }

    FakeHid hid;
    FakeLocks locks;
    std::string trace;
    HidDevice device;
    std::uint8_t report[8] = {7, 1, 2, 3, 4, 5, 6, 7};
};

TEST_F(HidDeviceTest, OpenTracesTheHandleAndReadsTheCaps) {
    ASSERT_TRUE(device.Open(kKeyboard, kReadWriteShared));
    EXPECT_TRUE(device.IsOpen());
    EXPECT_EQ(trace, "open dev: 00000040\n");
    EXPECT_EQ(device.Caps().outputReportByteLength, 8);
    const auto calls = hid.Calls();
    EXPECT_EQ(calls[0].access, platform::kGenericRead | platform::kGenericWrite);
    EXPECT_EQ(calls[1].access, 0u); // the capability query opens without access
    EXPECT_EQ(calls.back().what, "close");
}

TEST_F(HidDeviceTest, NullPathLeavesTheOpenHandleAlone) {
    ASSERT_TRUE(device.Open(kKeyboard, kReadWriteShared));
    EXPECT_FALSE(device.Open(std::nullopt, kReadWriteShared));
    EXPECT_TRUE(device.IsOpen());
    EXPECT_TRUE(device.SetFeature(report));
}

TEST_F(HidDeviceTest, FailedOpenClosesThePreviousHandle) {
    ASSERT_TRUE(device.Open(kKeyboard, kReadWriteShared));
    EXPECT_FALSE(device.Open("\\\\?\\hid#vid_dead&pid_beef#x#{g}", kReadWriteShared));
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(hid.Count("close"), 2u); // the query handle and the old device handle
    EXPECT_NE(trace.find("open dev: ffffffff\n"), std::string::npos);
    EXPECT_EQ(device.LastOpenResult().error, platform::HidOpenError::NotFound);
    // The caps of the last good query stay.
    EXPECT_EQ(device.Caps().featureReportByteLength, 8);
}

TEST_F(HidDeviceTest, TransfersNeedABufferAndAHandle) {
    EXPECT_FALSE(device.SetFeature(report)); // never opened
    EXPECT_FALSE(device.GetFeature(report));
    EXPECT_EQ(device.Write(report), 0u);
    EXPECT_EQ(trace, "已写长度为 0\n");
    ASSERT_TRUE(device.Open(kKeyboard, kReadWriteShared));
    EXPECT_FALSE(device.SetFeature(nullptr));
    EXPECT_FALSE(device.GetFeature(nullptr));
    EXPECT_EQ(device.Write(nullptr), 0u);
    EXPECT_EQ(hid.Count("set") + hid.Count("get") + hid.Count("write"), 0u);

    device.Close();
    EXPECT_FALSE(device.IsOpen());
    EXPECT_FALSE(device.SetFeature(report));
    EXPECT_EQ(hid.Count("set"), 0u);
}

TEST_F(HidDeviceTest, FeatureReportsAreEightBytes) {
    ASSERT_TRUE(device.Open(kKeyboard, kReadWriteShared));
    EXPECT_TRUE(device.SetFeature(report));
    std::uint8_t reply[8] = {7};
    EXPECT_TRUE(device.GetFeature(reply));
    EXPECT_EQ(reply[1], 1);
    const auto calls = hid.Calls();
    EXPECT_EQ(calls[calls.size() - 2].bytes, (std::vector<std::uint8_t>{7, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(calls.back().bytes.size(), 8u);
    hid.transfersSucceed = false;
    EXPECT_FALSE(device.SetFeature(report));
}

TEST_F(HidDeviceTest, WriteReportsEveryOutcomeWithItsTraceLines) {
    const struct {
        const char* what;
        platform::HidWriteResult result;
        std::uint32_t written;
        std::vector<std::string> lines; // after the two opening lines
    } cases[] = {
        {"completed at once", {Start::Completed, 0, false, 8}, 8, {"已写长度为 8\n"}},
        {"pending, then done",
         {Start::Pending, 997, true, 8},
         8,
         {"写文件错误(0040,997)\n", "asynchronous write succeed : 64\n", "已写长度为 8\n"}},
        {"pending, timed out",
         {Start::Pending, 997, false, 0},
         0,
         {"写文件错误(0040,997)\n", "超时索引错误\n", "已写长度为 0\n"}},
        {"failed", {Start::Failed, 31, false, 0}, 0, {"写文件错误(0040,31)\n", "已写长度为 0\n"}},
    };
    ASSERT_TRUE(device.Open(kKeyboard, kReadWriteShared));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        hid.writeResult = c.result;
        trace.clear();
        EXPECT_EQ(device.Write(report), c.written);
        std::string expected =
            TraceLine("写(异步)USB设备 handle=00000040, data=%08x, len=8, timeout=3000\n",
                      static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(report)));
        expected += "正在写入... 8\n";
        for (const std::string& line : c.lines)
            expected += line;
        EXPECT_EQ(trace, expected);
    }
}

TEST_F(HidDeviceTest, WriteIsCutToTheOutputReportLength) {
    hid.caps[kKeyboard].outputReportByteLength = 5;
    hid.writeResult = {Start::Completed, 0, false, 5};
    ASSERT_TRUE(device.Open(kKeyboard, kReadWriteShared));
    EXPECT_EQ(device.Write(report), 5u);
    EXPECT_EQ(hid.Calls().back().bytes, (std::vector<std::uint8_t>{7, 1, 2, 3, 4}));
    EXPECT_NE(trace.find("正在写入... 5\n"), std::string::npos);
}

TEST_F(HidDeviceTest, OpenMayBeCalledWhileItsLockIsHeld) {
    platform::NamedLockGuard held(locks, "HidDevice::Open");
    EXPECT_TRUE(device.Open(kKeyboard, kReadWriteShared)); // does not block itself
}

TEST_F(HidDeviceTest, ConcurrentSetFeaturesRunOneAfterTheOther) {
    ASSERT_TRUE(device.Open(kKeyboard, kReadWriteShared));
    // The first transfer stays inside the service until the test opens the gate.
    std::promise<void> entered;
    std::promise<void> gate;
    const std::shared_future<void> opened = gate.get_future().share();
    std::atomic<int> calls{0};
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    hid.duringSetFeature = [&] {
        most = std::max(most.load(), ++inside);
        if (++calls == 1) {
            entered.set_value();
            opened.wait();
        }
        --inside;
    };
    std::thread first([&] { device.SetFeature(report); });
    entered.get_future().wait();
    std::thread second([&] { device.SetFeature(report); });
    EXPECT_TRUE(locks.WaitForBlocked("HidDevice::SetFeature"));
    EXPECT_EQ(hid.Count("set"), 1u) << "the second transfer waits for the first";
    gate.set_value();
    first.join();
    second.join();
    EXPECT_EQ(hid.Count("set"), 2u);
    EXPECT_EQ(most, 1);
}

} // namespace
} // namespace keywright
