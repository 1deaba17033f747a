#include "platform/linux/VirtualOutputDevice.h"

#include "EvdevText.h"
#include "base/Clock.h"
#include "platform/linux/HidrawPath.h"
#include "platform/linux/LinuxHidService.h"
#include "support/LogCheck.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace keywright::platform::lnx {
namespace {

const std::string kPath(VirtualOutputDevice::kPath);

// What reached the device, one EventsText line per Emit.
struct Emitted {
    std::mutex mutex;
    std::vector<std::string> lines;
    int makes = 0;
    int failEmit = 0; // an errno value for the next Emit, 0 none

    std::vector<std::string> Take() {
        std::lock_guard lock(mutex);
        return std::exchange(lines, {});
    }
};

class RecordingSink final : public EvdevSink {
  public:
    explicit RecordingSink(std::shared_ptr<Emitted> emitted) : emitted_(std::move(emitted)) {}
    bool Emit(std::span<const EvdevEvent> events, int& error) override {
        std::lock_guard lock(emitted_->mutex);
        if (emitted_->failEmit != 0) {
            error = std::exchange(emitted_->failEmit, 0);
            return false;
        }
        emitted_->lines.push_back(EventsText(events));
        return true;
    }

  private:
    std::shared_ptr<Emitted> emitted_;
};

// A HID service whose virtual output device records its events; /dev/null
// stands in for a usable /dev/uinput.
struct Recorded {
    std::shared_ptr<Emitted> emitted = std::make_shared<Emitted>();
    LinuxHidService service{std::make_unique<VirtualOutputDevice>(
        "/dev/null", [e = emitted](int&) -> std::unique_ptr<EvdevSink> {
            std::lock_guard lock(e->mutex);
            ++e->makes;
            return std::make_unique<RecordingSink>(e);
        })};
};

std::vector<std::uint8_t> Packet(std::initializer_list<std::uint8_t> head,
                                 std::size_t length = 64) {
    std::vector<std::uint8_t> packet(head);
    packet.resize(length, 0);
    return packet;
}

HidWriteResult Write(HidService& service, HidHandle handle, const std::vector<std::uint8_t>& p) {
    return service.Write(handle, p.data(), p.size(), 1000);
}

TEST(VirtualOutputDevice, PathIsOursAndNoHidrawPath) {
    EXPECT_TRUE(VirtualOutputDevice::IsPath(kPath));
    std::string upper = kPath;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    EXPECT_TRUE(VirtualOutputDevice::IsPath(upper));
    EXPECT_FALSE(VirtualOutputDevice::IsPath(kPath + "x"));
    EXPECT_FALSE(VirtualOutputDevice::IsPath(kPath.substr(1)));
    EXPECT_FALSE(VirtualOutputDevice::IsPath(""));
    // Never taken for a hidraw node, so it can never open one.
    EXPECT_EQ(ParseInterfacePath(kPath), std::nullopt);
    EXPECT_EQ(kPath, "\\\\?\\hid#vid_deed&pid_feed#keywright-uinput&0001#"
                     "{4d1e55b2-f16f-11cf-88cb-001111000030}");
}

// Listed whether or not uinput is usable, and without a word about it:
// looking for the keyboard (list, version) never needs the virtual device.
// Only an open that would make it tells what is wrong (below).
TEST(VirtualOutputDevice, ListedWithoutTouchingUinput) {
    const auto count = [](HidService& service) {
        const auto entries = service.ListInterfaces();
        return std::count_if(entries.begin(), entries.end(),
                             [](const HidInterfaceEntry& entry) { return entry.path == kPath; });
    };
    LinuxHidService without(std::make_unique<VirtualOutputDevice>("/nonexistent/uinput"));
    EXPECT_EQ(count(without), 1);
    EXPECT_EQ(count(without), 1);

    Recorded recorded;
    const auto entries = recorded.service.ListInterfaces();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries.back().path, kPath); // after the hidraw collections
    EXPECT_EQ(entries.back().interfaceClassGuid, kHidInterfaceClass);
    EXPECT_EQ(entries.back().flags, kInterfaceActive);
    EXPECT_EQ(count(recorded.service), 1);
    EXPECT_EQ(recorded.emitted->makes, 0) << "listing must not make the device";
}

// What FindVirtualDevice tests: attributes and caps, on any handle.
TEST(VirtualOutputDevice, AttributesAndCapsOnEveryHandle) {
    LinuxHidService without(std::make_unique<VirtualOutputDevice>("/nonexistent/uinput"));
    Recorded recorded;
    for (HidService* service :
         {static_cast<HidService*>(&without), static_cast<HidService*>(&recorded.service)}) {
        for (const std::uint32_t access : {0u, kGenericRead}) {
            SCOPED_TRACE(access);
            const HidOpenResult open =
                service->Open(kPath, access, kShareRead | kShareWrite, false);
            ASSERT_TRUE(IsOpenHandle(open.handle)) << open.message;
            HidAttributes attributes;
            ASSERT_TRUE(service->GetAttributes(open.handle, attributes));
            EXPECT_EQ(attributes.vendorId, 0xDEED);
            EXPECT_EQ(attributes.productId, 0xFEED);
            HidCaps caps;
            ASSERT_TRUE(service->GetCaps(open.handle, caps));
            EXPECT_EQ(caps.usagePage, 0xFF00);
            EXPECT_EQ(caps.usage, 0x01);
            EXPECT_EQ(caps.outputReportByteLength, 65);
            EXPECT_EQ(caps.inputReportByteLength, 0);
            EXPECT_EQ(caps.featureReportByteLength, 0);
            std::uint8_t feature[8] = {7};
            EXPECT_FALSE(service->SetFeature(open.handle, feature, sizeof feature));
            EXPECT_FALSE(service->GetFeature(open.handle, feature, sizeof feature));
            // No write access: no device made, nothing written.
            const HidWriteResult write = Write(*service, open.handle, Packet({0x05, 0x01}));
            EXPECT_EQ(write.start, HidWriteResult::Start::Failed);
            EXPECT_EQ(write.error, kErrorAccessDenied);
            service->Close(open.handle);
        }
    }
    EXPECT_EQ(recorded.emitted->makes, 0);
}

TEST(VirtualOutputDevice, WriteOpenFailsWhenNoDeviceCanBeMade) {
    struct Case {
        const char* uinputPath;
        HidOpenError error;
    };
    // /dev/null opens, but is no uinput node: making the device fails.
    const Case cases[] = {{"/nonexistent/uinput", HidOpenError::NotFound},
                          {"/dev/null", HidOpenError::Other}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uinputPath);
        // Said on standard error once, however often the device is looked for.
        test::ExpectLog said(c.uinputPath);
        LinuxHidService service(std::make_unique<VirtualOutputDevice>(c.uinputPath));
        for (int attempt = 0; attempt < 2; ++attempt) {
            const HidOpenResult open =
                service.Open(kPath, kGenericRead | kGenericWrite, kShareRead | kShareWrite, false);
            EXPECT_EQ(open.handle, kInvalidHid);
            EXPECT_EQ(open.error, c.error);
            EXPECT_TRUE(open.message.starts_with("system: ")) << open.message;
            EXPECT_NE(open.message.find(c.uinputPath), std::string::npos) << open.message;
        }
        EXPECT_EQ(said.Seen(), 1u);
    }
}

TEST(VirtualOutputDevice, WritesBecomeInputAndCloseReleasesEverything) {
    Recorded recorded;
    HidService& service = recorded.service;
    const HidOpenResult open =
        service.Open(kPath, kGenericRead | kGenericWrite, kShareRead | kShareWrite, false);
    ASSERT_TRUE(IsOpenHandle(open.handle)) << open.message;

    HidWriteResult write = Write(service, open.handle, Packet({0x05, 0x01, 0x00, 0x10}));
    EXPECT_EQ(write.start, HidWriteResult::Start::Completed);
    EXPECT_EQ(write.bytes, 64u);
    // A write of the caps' length: its last byte is not part of the packet.
    std::vector<std::uint8_t> long65 = Packet({0x05, 0x03, 0xE9, 0x00}, 65);
    long65[64] = 0xFF;
    write = Write(service, open.handle, long65);
    EXPECT_EQ(write.start, HidWriteResult::Start::Completed);
    EXPECT_EQ(write.bytes, 65u);
    EXPECT_EQ(recorded.emitted->Take(),
              (std::vector<std::string>{"KEY_A 1, SYN", "KEY_VOLUMEUP 1, SYN"}));

    service.Close(open.handle);
    EXPECT_EQ(recorded.emitted->Take(), (std::vector<std::string>{"KEY_A 0, KEY_VOLUMEUP 0, SYN"}));
    write = Write(service, open.handle, Packet({0x05, 0x01, 0x00, 0x10}));
    EXPECT_EQ(write.start, HidWriteResult::Start::Failed);
    EXPECT_EQ(write.error, kErrorInvalidHandle);

    // Opened again: the same device, all released.
    const HidOpenResult again =
        service.Open(kPath, kGenericRead | kGenericWrite, kShareRead | kShareWrite, false);
    ASSERT_TRUE(IsOpenHandle(again.handle));
    EXPECT_EQ(Write(service, again.handle, Packet({0x05, 0x01, 0x00, 0x10})).start,
              HidWriteResult::Start::Completed);
    EXPECT_EQ(recorded.emitted->Take(), (std::vector<std::string>{"KEY_A 1, SYN"}));
    EXPECT_EQ(recorded.emitted->makes, 1);
    service.Close(again.handle);
}

TEST(VirtualOutputDevice, OnlyTheLastWriterToCloseReleases) {
    Recorded recorded;
    HidService& service = recorded.service;
    const auto openWriter = [&] {
        return service.Open(kPath, kGenericRead | kGenericWrite, kShareRead | kShareWrite, false)
            .handle;
    };
    const HidHandle first = openWriter();
    const HidHandle second = openWriter();
    const HidHandle query = service.Open(kPath, 0, 0, false).handle;
    Write(service, first, Packet({0x05, 0x04, 0x81, 0x00}));
    EXPECT_EQ(recorded.emitted->Take(), (std::vector<std::string>{"KEY_POWER 1, SYN"}));
    service.Close(first);
    service.Close(query);
    EXPECT_TRUE(recorded.emitted->Take().empty());
    service.Close(second);
    EXPECT_EQ(recorded.emitted->Take(), (std::vector<std::string>{"KEY_POWER 0, SYN"}));
}

TEST(VirtualOutputDevice, RefusesWhatIsNoPacketAndKeepsItsState) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"short", Packet({0x05, 0x01}, 63)},      {"long", Packet({0x05, 0x01}, 66)},
        {"one byte", Packet({0x05}, 1)},          {"wrong marker", Packet({0x04, 0x01})},
        {"unknown report", Packet({0x05, 0x09})}, {"report id 0", Packet({0x05, 0x00})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorded recorded;
        HidService& service = recorded.service;
        const HidHandle handle =
            service.Open(kPath, kGenericRead | kGenericWrite, kShareRead | kShareWrite, false)
                .handle;
        Write(service, handle, Packet({0x05, 0x01, 0x00, 0x10}));
        const HidWriteResult write = Write(service, handle, c.bytes);
        EXPECT_EQ(write.start, HidWriteResult::Start::Failed);
        EXPECT_EQ(write.error, kErrorInvalidParameter);
        EXPECT_EQ(write.bytes, 0u);
        service.Close(handle);
        EXPECT_EQ(recorded.emitted->Take(),
                  (std::vector<std::string>{"KEY_A 1, SYN", "KEY_A 0, SYN"}));
    }
    Recorded recorded;
    const HidHandle handle = recorded.service.Open(kPath, kGenericWrite, 0, false).handle;
    EXPECT_EQ(recorded.service.Write(handle, nullptr, 64, 1000).error, kErrorInvalidParameter);
    recorded.service.Close(handle);
}

TEST(VirtualOutputDevice, ARefusedEmitIsAFailedWrite) {
    Recorded recorded;
    const HidHandle handle = recorded.service.Open(kPath, kGenericWrite, 0, false).handle;
    recorded.emitted->failEmit = ENODEV;
    const HidWriteResult write = Write(recorded.service, handle, Packet({0x05, 0x01, 0x00, 0x10}));
    EXPECT_EQ(write.start, HidWriteResult::Start::Failed);
    EXPECT_EQ(write.error, kErrorDeviceNotConnected);
    recorded.service.Close(handle);
}

// A short run (keywright-ctl send) must not take its keys with it: a desktop
// drops what a vanished device sent, so the device stays kLinger after its
// last event, and goes at once when it never sent anything.
TEST(VirtualOutputDevice, OutlivesItsLastEventByALinger) {
    struct Sink final : EvdevSink {
        explicit Sink(std::shared_ptr<std::atomic<bool>> gone) : gone_(std::move(gone)) {}
        ~Sink() override { *gone_ = true; }
        bool Emit(std::span<const EvdevEvent>, int&) override { return true; }
        std::shared_ptr<std::atomic<bool>> gone_;
    };
    for (const bool typed : {true, false}) {
        SCOPED_TRACE(typed ? "typed" : "nothing typed");
        ManualClock clock;
        auto gone = std::make_shared<std::atomic<bool>>(false);
        auto service = std::make_unique<LinuxHidService>(std::make_unique<VirtualOutputDevice>(
            "/dev/null", [gone](int&) { return std::make_unique<Sink>(gone); }, clock));
        const HidOpenResult open =
            service->Open(kPath, kGenericRead | kGenericWrite, kShareRead | kShareWrite, false);
        ASSERT_TRUE(IsOpenHandle(open.handle)) << open.message;
        if (typed) {
            EXPECT_EQ(Write(*service, open.handle, Packet({0x05, 0x01, 0x00, 0x10})).bytes, 64u);
            clock.Advance(std::chrono::milliseconds(30));
        }
        service->Close(open.handle); // releases A: the last event, at +30 ms
        auto ending = std::async(std::launch::async, [&] { service.reset(); });
        if (typed) {
            ASSERT_TRUE(clock.WaitForSleepers(1));
            clock.Advance(VirtualOutputDevice::kLinger - std::chrono::milliseconds(1));
            ASSERT_TRUE(clock.WaitForSleepers(1));
            EXPECT_FALSE(*gone) << "gone before the linger was over";
            clock.Advance(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(ending.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_TRUE(*gone);
    }
}

} // namespace
} // namespace keywright::platform::lnx
