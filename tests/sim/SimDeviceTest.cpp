#include "SimTestSupport.h"
#include "platform/WindowsErrors.h"
#include "platform/sim/SimModels.h"
#include "platform/sim/SimWorld.h"

#include <array>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// The keyboard's answers to its command reports, seen through the HID
// service as the keyboard layer sees them.
namespace keywright::sim {
namespace {

using platform::HidHandle;
using platform::HidWriteResult;
using test::OpenQuery;
using test::OpenReadWrite;

using Report = std::array<std::uint8_t, 8>;

// The path of the collection with this interface and collection number.
std::string PathOf(SimWorld& world, SimDeviceId id, int interfaceNumber, int collectionNumber) {
    const auto paths = world.Paths(id);
    std::string part = interfaceNumber >= 0 ? "&mi_0" + std::to_string(interfaceNumber) : "";
    if (collectionNumber != 0) {
        part += collectionNumber == 0x17 ? "&col17" : "&col0" + std::to_string(collectionNumber);
    }
    part += '#';
    for (const auto& path : paths) {
        if (path.find(part) != std::string::npos) {
            return path;
        }
    }
    return {};
}

class SimKeyboard : public ::testing::Test {
  protected:
    void SetUp() override {
        keyboard_ = world_.Plug(KeyboardModel9ff6());
        handle_ = OpenReadWrite(hid_, world_.CommandPath(keyboard_));
        ASSERT_TRUE(platform::IsOpenHandle(handle_));
    }

    bool Set(const Report& report) {
        return hid_.SetFeature(handle_, report.data(), report.size());
    }

    Report Get() {
        Report report{0x07, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        EXPECT_TRUE(hid_.GetFeature(handle_, report.data(), report.size()));
        return report;
    }

    HidWriteResult Write(const Report& report) {
        return hid_.Write(handle_, report.data(), report.size(), 3000);
    }

    SimWorld world_;
    platform::HidService& hid_ = world_.Backend().Hid();
    SimDeviceId keyboard_ = 0;
    HidHandle handle_ = platform::kInvalidHid;
};

TEST_F(SimKeyboard, StoresTheLastMainEffectOfEachIndex) {
    const Report first{0x07, 0xFF, 0xFF, 0x05, 0x04, 0x02, 0x00, 0x00};
    const Report second{0x07, 0xFF, 0xFF, 0x05, 0x01, 0x03, 0x02, 0x01};
    const Report last{0x07, 0xFF, 0xFF, 0x13, 0x0A, 0x0B, 0x0C, 0x0D};
    const Report beyond{0x07, 0xFF, 0xFF, 0x14, 0x01, 0x01, 0x01, 0x01};
    for (const Report& report : {first, second, last, beyond}) {
        ASSERT_TRUE(Set(report));
    }
    EXPECT_EQ(world_.LastEffect(keyboard_, 5), second);
    EXPECT_EQ(world_.LastEffect(keyboard_, 19), last);
    for (std::size_t index : {0U, 4U, 6U, 18U}) {
        EXPECT_FALSE(world_.LastEffect(keyboard_, index).has_value()) << index;
    }
    EXPECT_FALSE(world_.LastSideLight(keyboard_).has_value());
}

TEST_F(SimKeyboard, StoresTheSideLight) {
    const Report sideLight{0x07, 0xFF, 0xFF, 0x20, 0x00, 0x00, 0x32, 0x00}; // level 3, mode 2
    ASSERT_TRUE(Set(sideLight));
    EXPECT_EQ(world_.LastSideLight(keyboard_), sideLight);
    for (std::size_t index = 0; index < SimDevice::kEffectCount; ++index) {
        EXPECT_FALSE(world_.LastEffect(keyboard_, index).has_value()) << index;
    }
}

TEST_F(SimKeyboard, AnswersTheFirmwareVersionAfterARequest) {
    struct Case {
        std::uint16_t version;
        Report answer;
    };
    const Case cases[] = {
        {0x0102, {0x07, 0x01, 0x02, 0, 0, 0, 0, 0}},
        {0x0A00, {0x07, 0x0A, 0x00, 0, 0, 0, 0, 0}},
        {0xFFFE, {0x07, 0xFF, 0xFE, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        world_.SetFirmwareVersion(keyboard_, c.version);
        ASSERT_TRUE(Set({0x07, 0xF1, 0, 0, 0, 0, 0, 0}));
        EXPECT_EQ(Get(), c.answer) << std::hex << c.version;
        EXPECT_EQ(Get(), c.answer) << "asked again, answered again";
    }
}

TEST_F(SimKeyboard, AnswersZerosUnlessTheLastCommandAskedForTheVersion) {
    const Report zeros{0x07, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Get(), zeros) << "never asked";
    ASSERT_TRUE(Set({0x07, 0xF1, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(Set({0x07, 0xFF, 0xFF, 0x01, 0x04, 0x02, 0x00, 0x00}));
    EXPECT_EQ(Get(), zeros) << "an effect came after the request";

    ASSERT_TRUE(Set({0x07, 0xF1, 0, 0, 0, 0, 0, 0}));
    world_.Replug(keyboard_);
    const HidHandle fresh = OpenReadWrite(hid_, world_.CommandPath(keyboard_));
    Report answer{0x07};
    ASSERT_TRUE(hid_.GetFeature(fresh, answer.data(), answer.size()));
    EXPECT_EQ(answer, zeros) << "a replug forgets the request";
}

TEST_F(SimKeyboard, KeepsLightingAcrossAReplug) {
    const Report effect{0x07, 0xFF, 0xFF, 0x02, 0x04, 0x02, 0x00, 0x00};
    ASSERT_TRUE(Set(effect));
    world_.Replug(keyboard_);
    EXPECT_EQ(world_.LastEffect(keyboard_, 2), effect);
    EXPECT_EQ(world_.FactoryResetCount(keyboard_), 0);
}

TEST_F(SimKeyboard, RejectsFeatureReportsItDoesNotTake) {
    enum class Open { ReadWrite, Query, ReadOnly };
    struct Case {
        const char* what;
        int interfaceNumber;
        int collectionNumber;
        Open open;
        std::vector<std::uint8_t> report;
    };
    const std::vector<std::uint8_t> effect{0x07, 0xFF, 0xFF, 0x01, 0x04, 0x02, 0x00, 0x00};
    const Case cases[] = {
        {"short report", 1, 7, Open::ReadWrite, {0x07, 0xFF, 0xFF, 0x01, 0x04, 0x02, 0x00}},
        {"long report", 1, 7, Open::ReadWrite, {0x07, 0xFF, 0xFF, 0x01, 0x04, 0x02, 0, 0, 0}},
        {"wrong report id", 1, 7, Open::ReadWrite, {0x06, 0xFF, 0xFF, 0x01, 0x04, 0x02, 0, 0}},
        {"query handle", 1, 7, Open::Query, effect},
        {"read-only handle", 1, 7, Open::ReadOnly, effect},
        {"boot keyboard", 0, 0, Open::ReadWrite, effect},
        {"vendor collection of the same page", 1, 6, Open::ReadWrite, effect},
        {"decoy with an 8-byte feature report", 2, 0x17, Open::ReadWrite, effect},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = PathOf(world_, keyboard_, c.interfaceNumber, c.collectionNumber);
        ASSERT_FALSE(path.empty());
        const std::uint32_t access = c.open == Open::ReadWrite  ? test::kReadWrite
                                     : c.open == Open::ReadOnly ? platform::kGenericRead
                                                                : 0;
        const HidHandle handle = hid_.Open(path, access, test::kShareAll, true).handle;
        ASSERT_TRUE(platform::IsOpenHandle(handle));
        EXPECT_FALSE(hid_.SetFeature(handle, c.report.data(), c.report.size()));
        std::vector<std::uint8_t> answer = c.report;
        EXPECT_FALSE(hid_.GetFeature(handle, answer.data(), answer.size()));
        hid_.Close(handle);
    }
    EXPECT_TRUE(world_.Reports(keyboard_).empty());
    EXPECT_FALSE(world_.LastEffect(keyboard_, 1).has_value());
}

TEST_F(SimKeyboard, RejectsWritesThatDoNotFitTheOutputReport) {
    struct Case {
        const char* what;
        int interfaceNumber;
        int collectionNumber;
        std::size_t length;
        std::uint32_t error;
    };
    const Case cases[] = {
        {"shorter than the output report", 1, 7, 7, platform::kErrorInvalidParameter},
        {"collection without output report", 1, 1, 8, platform::kErrorInvalidFunction},
        {"empty", 1, 7, 0, platform::kErrorInvalidParameter},
    };
    const std::vector<std::uint8_t> bytes(8, 0x07);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const HidHandle handle =
            OpenReadWrite(hid_, PathOf(world_, keyboard_, c.interfaceNumber, c.collectionNumber));
        const auto result = hid_.Write(handle, bytes.data(), c.length, 3000);
        EXPECT_EQ(result.start, HidWriteResult::Start::Failed);
        EXPECT_EQ(result.error, c.error);
    }
    EXPECT_TRUE(world_.Reports(keyboard_).empty());
}

TEST_F(SimKeyboard, RecordsEveryTransferInOrder) {
    const Report effect{0x07, 0xFF, 0xFF, 0x05, 0x04, 0x02, 0x00, 0x00};
    const Report request{0x07, 0xF1, 0, 0, 0, 0, 0, 0};
    const Report command{0x07, 0xF2, 0x01, 0, 0, 0, 0, 0};
    world_.SetFirmwareVersion(keyboard_, 0x0102);
    ASSERT_TRUE(Set(effect));
    ASSERT_TRUE(Set(request));
    Get();
    ASSERT_EQ(Write(command).start, HidWriteResult::Start::Completed);
    // A longer write to a collection with a 2-byte output report sends 2.
    const HidHandle boot = OpenReadWrite(hid_, PathOf(world_, keyboard_, 0, 0));
    ASSERT_EQ(hid_.Write(boot, command.data(), command.size(), 3000).bytes, 2U);

    const std::vector<SimReport> expected{
        {SimReportKind::SetFeature, 1, 7, test::Bytes(effect)},
        {SimReportKind::SetFeature, 1, 7, test::Bytes(request)},
        {SimReportKind::GetFeature, 1, 7, {0x07, 0x01, 0x02, 0, 0, 0, 0, 0}},
        {SimReportKind::Write, 1, 7, test::Bytes(command)},
        {SimReportKind::Write, 0, 0, {0x07, 0xF2}},
    };
    EXPECT_EQ(world_.Reports(keyboard_), expected);
    world_.ClearReports(keyboard_);
    EXPECT_TRUE(world_.Reports(keyboard_).empty());
}

TEST(SimKeyboardTrace, PrintsOneLinePerTransferAsTransferred) {
    std::ostringstream out;
    SimWorld world({.trace = true, .traceOutput = &out});
    const SimDeviceId keyboard = world.Plug(KeyboardModel9ff6());
    const SimDeviceId other = world.Plug(KeyboardModel0116());
    auto& hid = world.Backend().Hid();
    const HidHandle handle = OpenReadWrite(hid, world.CommandPath(keyboard));
    const HidHandle otherHandle = OpenReadWrite(hid, world.CommandPath(other));
    world.SetFirmwareVersion(keyboard, 0x0102);

    const Report effect{0x07, 0xFF, 0xFF, 0x05, 0x04, 0x02, 0x00, 0x00};
    const Report request{0x07, 0xF1, 0, 0, 0, 0, 0, 0};
    const Report command{0x07, 0xF2, 0xAB, 0xCD, 0, 0, 0, 0x9F};
    Report answer{0x07};
    ASSERT_TRUE(hid.SetFeature(handle, effect.data(), effect.size()));
    ASSERT_TRUE(hid.SetFeature(otherHandle, request.data(), request.size()));
    ASSERT_TRUE(hid.SetFeature(handle, request.data(), request.size()));
    ASSERT_TRUE(hid.GetFeature(handle, answer.data(), answer.size()));
    hid.Write(handle, command.data(), command.size(), 3000);
    SimFaults cut;
    cut.outputReportLengthCut = 5;
    world.SetFaults(keyboard, cut);
    hid.Write(handle, command.data(), command.size(), 3000);
    // Transfers that fail reach no device and print nothing.
    hid.SetFeature(handle, command.data(), 7);
    SimFaults failing;
    failing.transfersFail = true;
    world.SetFaults(keyboard, failing);
    hid.SetFeature(handle, effect.data(), effect.size());

    EXPECT_EQ(out.str(), "sim: 1a2c:9ff6 set-feature 07 ff ff 05 04 02 00 00\n"
                         "sim: 1a2c:0116 set-feature 07 f1 00 00 00 00 00 00\n"
                         "sim: 1a2c:9ff6 set-feature 07 f1 00 00 00 00 00 00\n"
                         "sim: 1a2c:9ff6 get-feature 07 01 02 00 00 00 00 00\n"
                         "sim: 1a2c:9ff6 write 07 f2 ab cd 00 00 00 9f\n"
                         "sim: 1a2c:9ff6 write 07 f2 ab cd 00\n");
}

TEST(SimKeyboardTrace, WritesWholeLinesFromSeveralThreads) {
    constexpr int kPerThread = 100;
    std::ostringstream out;
    SimWorld world({.trace = true, .traceOutput = &out});
    const SimDeviceId first = world.Plug(KeyboardModel9ff6());
    const SimDeviceId second = world.Plug(KeyboardModel0116());
    auto& hid = world.Backend().Hid();
    std::vector<std::thread> threads;
    for (const SimDeviceId id : {first, second}) {
        threads.emplace_back([&hid, path = world.CommandPath(id)] {
            const HidHandle handle = OpenReadWrite(hid, path);
            const Report effect{0x07, 0xFF, 0xFF, 0x05, 0x04, 0x02, 0x00, 0x00};
            for (int i = 0; i < kPerThread; ++i) {
                hid.SetFeature(handle, effect.data(), effect.size());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const std::regex line("sim: 1a2c:(9ff6|0116) set-feature 07 ff ff 05 04 02 00 00");
    std::istringstream lines(out.str());
    int count = 0;
    for (std::string text; std::getline(lines, text); ++count) {
        EXPECT_TRUE(std::regex_match(text, line)) << text;
    }
    EXPECT_EQ(count, 2 * kPerThread);
}

TEST(SimKeyboardTrace, PrintsNothingWhenOff) {
    std::ostringstream out;
    SimWorld world({.trace = false, .traceOutput = &out});
    const SimDeviceId keyboard = world.Plug(KeyboardModel9ff6());
    auto& hid = world.Backend().Hid();
    const HidHandle handle = OpenReadWrite(hid, world.CommandPath(keyboard));
    const Report effect{0x07, 0xFF, 0xFF, 0x05, 0x04, 0x02, 0x00, 0x00};
    ASSERT_TRUE(hid.SetFeature(handle, effect.data(), effect.size()));
    EXPECT_EQ(out.str(), "");
}

} // namespace
} // namespace keywright::sim
