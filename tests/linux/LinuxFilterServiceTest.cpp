#include "platform/linux/LinuxFilterService.h"

#include "device/HidDiscovery.h"
#include "platform/linux/KeyboardEventNodes.h"
#include "support/LogCheck.h"

#include <array>
#include <chrono>
#include <csignal>
#include <future>
#include <gtest/gtest.h>
#include <string>

namespace keywright::platform::lnx {
namespace {

using namespace std::chrono_literals;

constexpr auto kEnds = 10s;

// /dev/null opens for writing, so the filter counts uinput as usable, while
// no uinput device can ever be made through it; and the build machines have
// no keyboard of ours. So this is the filter with nothing to filter.
LinuxFilterOptions NothingToFilter() {
    LinuxFilterOptions options;
    options.uinputPath = "/dev/null";
    return options;
}

TEST(FilteredKeyboards, AreExactlyTheSupportedKeyboards) {
    ASSERT_EQ(kFilteredKeyboards.size(), SupportedKeyboards.size());
    for (std::size_t i = 0; i < kFilteredKeyboards.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kFilteredKeyboards[i].vendorId, SupportedKeyboards[i].vendorId);
        EXPECT_EQ(kFilteredKeyboards[i].productId, SupportedKeyboards[i].productId);
    }
}

TEST(FilteredKeyboards, MatchVendorAndProductExactly) {
    struct Case {
        std::uint16_t vendor;
        std::uint16_t product;
        bool filtered;
    };
    const Case cases[] = {
        {0x1A2C, 0x9FF6, true},  {0x1A2C, 0x0116, true},  {0x1A2C, 0x0000, false},
        {0x1A2C, 0xFFFF, false}, {0x1A2C, 0x9FF7, false}, {0x0000, 0x9FF6, false},
        {0xDEED, 0xFEED, false}, {0x0000, 0x0000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.vendor) + ":" + std::to_string(c.product));
        EXPECT_EQ(IsFilteredKeyboard(c.vendor, c.product, kFilteredKeyboards), c.filtered);
    }
    EXPECT_FALSE(IsFilteredKeyboard(0x1A2C, 0x9FF6, {}));
}

TEST(LinuxFilterService, OpensOnlyItsOwnName) {
    LinuxFilterService service(NothingToFilter());
    const std::string refused[] = {
        "", "vhidflt", "\\\\.\\vhidflt2", "\\\\.\\vhid", "\\\\?\\vhidflt", "\\\\.\\vhidflt\\"};
    for (const std::string& name : refused)
        EXPECT_EQ(service.Open(name, 0xC0000000, 3), kInvalidFilter) << name;
    for (const std::string name : {"\\\\.\\vhidflt", "\\\\.\\VHIDFLT"}) {
        const FilterHandle handle = service.Open(name, 0xC0000000, 3);
        EXPECT_NE(handle, kInvalidFilter) << name;
        EXPECT_NE(handle, kNoFilter) << name;
        service.Close(handle);
    }
}

TEST(LinuxFilterService, DoesNotOpenWithoutUinput) {
    test::ExpectLog missing("/nonexistent/uinput is missing");
    LinuxFilterOptions options;
    options.uinputPath = "/nonexistent/uinput";
    LinuxFilterService service(options);
    EXPECT_EQ(service.Open(LinuxFilterService::kDeviceName, 0xC0000000, 3), kInvalidFilter);
}

TEST(LinuxFilterService, AnswersRequestsOnItsHandles) {
    LinuxFilterService service(NothingToFilter());
    const FilterHandle handle = service.Open(LinuxFilterService::kDeviceName, 0xC0000000, 3);
    ASSERT_NE(handle, kInvalidFilter);
    const std::array<std::uint8_t, 1024> table{};
    EXPECT_EQ(service.Control(handle, IOCTL_VHIDFLT_SET_KEY_TABLE, table.data(), table.size(),
                              nullptr, 0, nullptr),
              ControlResult::Completed);
    EXPECT_EQ(service.Control(handle, IOCTL_VHIDFLT_PRESTART_1, nullptr, 0, nullptr, 0, nullptr),
              ControlResult::Completed);

    // The reader's wait: ended by its cancel signal, and by the handle's close.
    const auto cancel = service.CreateCancelSignal();
    const auto waitKey = [&] {
        return std::async(std::launch::async, [&] {
            std::uint8_t event[4] = {};
            return service.Control(handle, IOCTL_VHIDFLT_WAIT_KEY, nullptr, 0, event, sizeof event,
                                   cancel.get());
        });
    };
    auto wait = waitKey();
    cancel->Set();
    ASSERT_EQ(wait.wait_for(kEnds), std::future_status::ready);
    EXPECT_EQ(wait.get(), ControlResult::Cancelled);

    wait = waitKey();
    EXPECT_TRUE(service.WaitForKeyWaits(1, kEnds));
    service.Close(handle);
    ASSERT_EQ(wait.wait_for(kEnds), std::future_status::ready);
    EXPECT_EQ(wait.get(), ControlResult::Failed);
    EXPECT_EQ(service.Control(handle, IOCTL_VHIDFLT_PRESTART_1, nullptr, 0, nullptr, 0, nullptr),
              ControlResult::Failed);
}

// The filter starts with the first handle and stops with the last; closing
// and opening again (as the program does when a keyboard arrives) works every
// time and never hangs.
TEST(LinuxFilterService, StartsAndStopsWithItsHandles) {
    auto service = std::make_unique<LinuxFilterService>(NothingToFilter());
    auto cycles = std::async(std::launch::async, [&] {
        for (int i = 0; i < 5; ++i) {
            const FilterHandle first = service->Open(LinuxFilterService::kDeviceName, 0, 0);
            const FilterHandle second = service->Open(LinuxFilterService::kDeviceName, 0, 0);
            EXPECT_NE(first, kInvalidFilter);
            EXPECT_NE(second, kInvalidFilter);
            EXPECT_NE(first, second);
            service->Close(first);
            EXPECT_EQ(
                service->Control(second, IOCTL_VHIDFLT_SET_VALUE, nullptr, 0, nullptr, 0, nullptr),
                ControlResult::Completed);
            service->Close(second);
            service->Close(second); // twice: nothing
        }
        // Destroyed with a handle still open.
        EXPECT_NE(service->Open(LinuxFilterService::kDeviceName, 0, 0), kInvalidFilter);
        service.reset();
    });
    EXPECT_EQ(cycles.wait_for(kEnds), std::future_status::ready) << "the filter thread hung";
}

// Ctrl-Z typed through the pass-through reaches the terminal that started
// the process; stopped, the process would hold the grabbed keyboard dead.
// Once the filter runs, the terminal's stop signals do nothing.
TEST(LinuxFilterService, AnOpenFilterIgnoresTheTerminalsStopSignals) {
    for (const int signal : {SIGTSTP, SIGTTIN, SIGTTOU})
        std::signal(signal, SIG_DFL);
    LinuxFilterService service(NothingToFilter());
    const FilterHandle handle = service.Open(LinuxFilterService::kDeviceName, 0, 0);
    ASSERT_NE(handle, kInvalidFilter);
    for (const int signal : {SIGTSTP, SIGTTIN, SIGTTOU}) {
        SCOPED_TRACE(signal);
        struct sigaction now {};
        ASSERT_EQ(::sigaction(signal, nullptr, &now), 0);
        EXPECT_EQ(now.sa_handler, SIG_IGN);
    }
    // Really ignored: were it not, this would stop the test.
    ::raise(SIGTSTP);
    service.Close(handle);
}

} // namespace
} // namespace keywright::platform::lnx
