#include "SimTestSupport.h"
#include "platform/WindowsErrors.h"
#include "platform/sim/SimModels.h"
#include "platform/sim/SimWorld.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace keywright::sim {
namespace {

using platform::HidHandle;
using platform::HidOpenError;
using platform::HidWriteResult;
using test::OpenQuery;
using test::OpenReadWrite;

using Report = std::array<std::uint8_t, 8>;
constexpr Report kEffect{0x07, 0xFF, 0xFF, 0x05, 0x04, 0x02, 0x00, 0x00};

class SimHid : public ::testing::Test {
  protected:
    void SetUp() override { keyboard_ = world_.Plug(KeyboardModel9ff6()); }

    std::string CommandPath() { return world_.CommandPath(keyboard_); }

    SimWorld world_;
    platform::HidService& hid_ = world_.Backend().Hid();
    SimDeviceId keyboard_ = 0;
};

TEST_F(SimHid, HandsOutFreshHandlesThatAreNeverReused) {
    std::vector<HidHandle> handles;
    for (int i = 0; i < 3; ++i) {
        const auto result = hid_.Open(CommandPath(), test::kReadWrite, test::kShareAll, true);
        EXPECT_EQ(result.error, HidOpenError::None);
        EXPECT_TRUE(result.message.empty());
        handles.push_back(result.handle);
        hid_.Close(result.handle);
    }
    for (std::size_t i = 0; i < handles.size(); ++i) {
        EXPECT_TRUE(platform::IsOpenHandle(handles[i]));
        if (i > 0) {
            EXPECT_GT(handles[i], handles[i - 1]);
        }
    }
    EXPECT_FALSE(hid_.SetFeature(handles.back(), kEffect.data(), kEffect.size()))
        << "a closed handle transfers nothing";
    hid_.Close(handles.back()); // twice: harmless
    hid_.Close(0x12345);
}

TEST_F(SimHid, OpensPathsWithoutRegardToCase) {
    std::string upper = CommandPath();
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const HidHandle handle = OpenReadWrite(hid_, upper);
    ASSERT_TRUE(platform::IsOpenHandle(handle));
    EXPECT_TRUE(hid_.SetFeature(handle, kEffect.data(), kEffect.size()));
}

TEST_F(SimHid, ReportsUnknownAndUnpluggedPathsAsNotFound) {
    const std::string path = CommandPath();
    for (const std::string& missing :
         {std::string("\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#8&0&0&0000#{x}"), std::string()}) {
        const auto result = hid_.Open(missing, test::kReadWrite, test::kShareAll, true);
        EXPECT_EQ(result.handle, platform::kInvalidHid);
        EXPECT_EQ(result.error, HidOpenError::NotFound);
    }
    world_.Unplug(keyboard_);
    const auto result = hid_.Open(path, 0, test::kShareAll, false);
    EXPECT_EQ(result.handle, platform::kInvalidHid);
    EXPECT_EQ(result.error, HidOpenError::NotFound);
    EXPECT_NE(result.message.find(path), std::string::npos);
}

TEST_F(SimHid, DescribesCollectionsToQueryHandles) {
    const HidHandle handle = OpenQuery(hid_, CommandPath());
    ASSERT_TRUE(platform::IsOpenHandle(handle));
    platform::HidAttributes attributes;
    ASSERT_TRUE(hid_.GetAttributes(handle, attributes));
    EXPECT_EQ(attributes.vendorId, 0x1A2C);
    EXPECT_EQ(attributes.productId, 0x9FF6);
    EXPECT_EQ(attributes.versionNumber, KeyboardModel9ff6().versionNumber);
    platform::HidCaps caps;
    ASSERT_TRUE(hid_.GetCaps(handle, caps));
    EXPECT_EQ(caps.usagePage, 0xFF00);
    EXPECT_EQ(caps.usage, 0x01);
    EXPECT_EQ(caps.featureReportByteLength, 8);
    EXPECT_EQ(caps.outputReportByteLength, 8);

    // Every listed collection reports the capabilities of its model entry.
    const SimDeviceSpec spec = KeyboardModel9ff6();
    const auto paths = world_.Paths(keyboard_);
    std::size_t ordinal = 0;
    for (const SimInterface& iface : spec.interfaces) {
        for (const SimCollection& collection : iface.collections) {
            const HidHandle query = OpenQuery(hid_, paths.at(ordinal++));
            platform::HidCaps got;
            ASSERT_TRUE(hid_.GetCaps(query, got));
            EXPECT_EQ(got.usagePage, collection.usagePage);
            EXPECT_EQ(got.usage, collection.usage);
            EXPECT_EQ(got.inputReportByteLength, collection.inputReportByteLength);
            EXPECT_EQ(got.outputReportByteLength, collection.outputReportByteLength);
            EXPECT_EQ(got.featureReportByteLength, collection.featureReportByteLength);
        }
    }
}

TEST_F(SimHid, RefusesWritesWithoutWriteAccess) {
    const HidHandle query = OpenQuery(hid_, CommandPath());
    const auto result = hid_.Write(query, kEffect.data(), kEffect.size(), 3000);
    EXPECT_EQ(result.start, HidWriteResult::Start::Failed);
    EXPECT_EQ(result.error, platform::kErrorAccessDenied);
    const auto unknown = hid_.Write(0x4711, kEffect.data(), kEffect.size(), 3000);
    EXPECT_EQ(unknown.error, platform::kErrorInvalidHandle);
    EXPECT_TRUE(world_.Reports(keyboard_).empty());
}

TEST_F(SimHid, KillsHandlesOfADeviceThatLeftEvenAfterItReturns) {
    const HidHandle handle = OpenReadWrite(hid_, CommandPath());
    const HidHandle query = OpenQuery(hid_, CommandPath());
    world_.Unplug(keyboard_);
    world_.Replug(keyboard_);

    Report answer{0x07};
    platform::HidAttributes attributes;
    platform::HidCaps caps;
    EXPECT_FALSE(hid_.SetFeature(handle, kEffect.data(), kEffect.size()));
    EXPECT_FALSE(hid_.GetFeature(handle, answer.data(), answer.size()));
    const auto write = hid_.Write(handle, kEffect.data(), kEffect.size(), 3000);
    EXPECT_EQ(write.start, HidWriteResult::Start::Failed);
    EXPECT_EQ(write.error, platform::kErrorDeviceNotConnected);
    EXPECT_FALSE(hid_.GetAttributes(query, attributes));
    EXPECT_FALSE(hid_.GetCaps(query, caps));

    const HidHandle fresh = OpenReadWrite(hid_, CommandPath());
    EXPECT_TRUE(hid_.SetFeature(fresh, kEffect.data(), kEffect.size()));
}

TEST_F(SimHid, AppliesInjectedFaults) {
    struct Case {
        const char* what;
        SimFaults faults;
        bool featuresWork;
        HidWriteResult write; // expected
        std::size_t recorded; // reports the device saw of set, get, write
    };
    using Start = HidWriteResult::Start;
    const auto faults = [](auto set) {
        SimFaults f;
        set(f);
        return f;
    };
    const Case cases[] = {
        {"none", {}, true, {Start::Completed, 0, false, 8}, 3},
        {"transfers fail",
         faults([](SimFaults& f) { f.transfersFail = true; }),
         false,
         {Start::Failed, platform::kErrorGenFailure, false, 0},
         0},
        {"writes time out",
         faults([](SimFaults& f) { f.writesTimeOut = true; }),
         true,
         {Start::Pending, platform::kErrorIoPending, false, 0},
         2},
        {"writes pend, then finish",
         faults([](SimFaults& f) { f.writesPend = true; }),
         true,
         {Start::Pending, platform::kErrorIoPending, true, 8},
         3},
        {"output cut to 5",
         faults([](SimFaults& f) { f.outputReportLengthCut = 5; }),
         true,
         {Start::Completed, 0, false, 5},
         3},
        {"cut and pending",
         faults([](SimFaults& f) {
             f.outputReportLengthCut = 5;
             f.writesPend = true;
         }),
         true,
         {Start::Pending, platform::kErrorIoPending, true, 5},
         3},
        {"failure beats time-out",
         faults([](SimFaults& f) {
             f.transfersFail = true;
             f.writesTimeOut = true;
         }),
         false,
         {Start::Failed, platform::kErrorGenFailure, false, 0},
         0},
    };
    const Report command{0x07, 0xF2, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        world_.ClearReports(keyboard_);
        world_.SetFaults(keyboard_, c.faults);
        const HidHandle handle = OpenReadWrite(hid_, CommandPath());
        Report answer{0x07};
        EXPECT_EQ(hid_.SetFeature(handle, kEffect.data(), kEffect.size()), c.featuresWork);
        EXPECT_EQ(hid_.GetFeature(handle, answer.data(), answer.size()), c.featuresWork);
        const auto started = std::chrono::steady_clock::now();
        const auto result = hid_.Write(handle, command.data(), command.size(), 3000);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500))
            << "no real waiting";
        EXPECT_EQ(result.start, c.write.start);
        EXPECT_EQ(result.error, c.write.error);
        EXPECT_EQ(result.finished, c.write.finished);
        EXPECT_EQ(result.bytes, c.write.bytes);
        const auto reports = world_.Reports(keyboard_);
        EXPECT_EQ(reports.size(), c.recorded);
        if (c.recorded == 3) {
            EXPECT_EQ(reports.back().bytes,
                      std::vector<std::uint8_t>(command.begin(), command.begin() + c.write.bytes));
        }
        hid_.Close(handle);
    }
}

TEST_F(SimHid, ReportsTheCutOutputLengthInTheCapabilities) {
    SimFaults cut;
    cut.outputReportLengthCut = 5;
    world_.SetFaults(keyboard_, cut);
    const HidHandle handle = OpenQuery(hid_, CommandPath());
    platform::HidCaps caps;
    ASSERT_TRUE(hid_.GetCaps(handle, caps));
    EXPECT_EQ(caps.outputReportByteLength, 5);
    EXPECT_EQ(caps.featureReportByteLength, 8);
}

TEST_F(SimHid, RecognisesAFactoryResetInACutWrite) {
    SimFaults cut;
    cut.outputReportLengthCut = 5;
    world_.SetFaults(keyboard_, cut);
    const HidHandle handle = OpenReadWrite(hid_, CommandPath());
    const Report reset{0x07, 0xF0, 0xAA, 0, 0, 0, 0, 0};
    EXPECT_EQ(hid_.Write(handle, reset.data(), reset.size(), 3000).bytes, 5U);
    EXPECT_EQ(world_.FactoryResetCount(keyboard_), 1);
}

TEST_F(SimHid, DeniesReadWriteOpensButNotQueriesWhenPermissionIsMissing) {
    SimFaults denied;
    denied.openDenied = true;
    world_.SetFaults(keyboard_, denied);
    const auto result = hid_.Open(CommandPath(), test::kReadWrite, test::kShareAll, true);
    EXPECT_EQ(result.handle, platform::kInvalidHid);
    EXPECT_EQ(result.error, HidOpenError::PermissionDenied);
    EXPECT_NE(result.message.find(CommandPath()), std::string::npos);

    const HidHandle query = OpenQuery(hid_, CommandPath());
    platform::HidAttributes attributes;
    EXPECT_TRUE(hid_.GetAttributes(query, attributes));
}

TEST_F(SimHid, SerialisesTransfersFromSeveralThreads) {
    constexpr int kPerThread = 200;
    const HidHandle handle = OpenReadWrite(hid_, CommandPath());
    // The three threads start their transfers together. A mutex and a
    // condition variable rather than std::latch: the latch waits through the
    // library's atomic wait, which has no futex under it on Windows, and this
    // test once hung there (mingw-w64 GCC 12, under wine).
    std::mutex gate;
    std::condition_variable opened;
    int arrived = 0;
    const auto arriveAndWait = [&] {
        std::unique_lock lock(gate);
        if (++arrived == 3)
            opened.notify_all();
        opened.wait(lock, [&] { return arrived == 3; });
    };
    const auto sender = [&](std::uint8_t index) {
        arriveAndWait();
        for (int i = 0; i < kPerThread; ++i) {
            const Report effect{0x07, 0xFF, 0xFF, index, static_cast<std::uint8_t>(i), 0, 0, 0};
            EXPECT_TRUE(hid_.SetFeature(handle, effect.data(), effect.size()));
        }
    };
    std::thread first(sender, std::uint8_t{1});
    std::thread second(sender, std::uint8_t{2});
    std::thread lister([&] {
        arriveAndWait();
        for (int i = 0; i < kPerThread; ++i) {
            EXPECT_EQ(hid_.ListInterfaces().size(), 10U);
        }
    });
    first.join();
    second.join();
    lister.join();
    EXPECT_EQ(world_.Reports(keyboard_).size(), 2U * kPerThread);
    EXPECT_EQ(world_.LastEffect(keyboard_, 1)->at(4), kPerThread - 1);
    EXPECT_EQ(world_.LastEffect(keyboard_, 2)->at(4), kPerThread - 1);
}

TEST_F(SimHid, FailsTransfersThatRaceAClose) {
    const HidHandle handle = OpenReadWrite(hid_, CommandPath());
    std::atomic<bool> closed{false};
    std::thread sender([&] {
        for (int i = 0; i < 1000; ++i) {
            const bool wasClosed = closed.load();
            const bool sent = hid_.SetFeature(handle, kEffect.data(), kEffect.size());
            if (wasClosed) {
                EXPECT_FALSE(sent);
            }
        }
    });
    std::this_thread::yield();
    hid_.Close(handle);
    closed = true;
    sender.join();
    EXPECT_FALSE(hid_.SetFeature(handle, kEffect.data(), kEffect.size()));
}

} // namespace
} // namespace keywright::sim
