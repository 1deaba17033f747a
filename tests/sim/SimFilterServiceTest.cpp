// The simulated keyboard filter behind "\\.\vhidflt", driven the way the key
// monitor drives it: the UI thread's requests, the reader's key wait, its
// cancel signal, and a Close or an uninstall from another thread.

#include "SimTestSupport.h"
#include "platform/sim/SimWorld.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace keywright::sim {
namespace {

using namespace std::chrono_literals;
using platform::ControlResult;
using platform::FilterHandle;
using Bytes = std::vector<std::uint8_t>;

constexpr auto kPrestart1 = SimFilterService::kPrestart1;
constexpr auto kPrestart2 = SimFilterService::kPrestart2;
constexpr auto kSetValue = SimFilterService::kSetValue;
constexpr auto kWaitKey = SimFilterService::kWaitKey;
constexpr auto kSetKeyTable = SimFilterService::kSetKeyTable;

// Long enough for a thread to get going on a loaded machine; only waited
// out when a test fails.
constexpr auto kPatience = 5s;

// A key table as the key monitor builds it: `entries` from the front, the
// rest zero.
Bytes KeyTable(const std::vector<Bytes>& entries, std::size_t length = 1024) {
    Bytes table(length, 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::copy(entries[i].begin(), entries[i].end(), table.begin() + 4 * i);
    }
    return table;
}

struct KeyWaitResult {
    ControlResult result = ControlResult::Failed;
    Bytes event;
};

class SimFilter : public ::testing::Test {
  protected:
    FilterHandle Open(std::uint32_t access = test::kReadWrite) {
        return service_.Open("\\\\.\\vhidflt", access, test::kShareAll);
    }

    ControlResult Send(FilterHandle handle, std::uint32_t code, const Bytes& input = {}) {
        return service_.Control(handle, code, input.empty() ? nullptr : input.data(), input.size(),
                                nullptr, 0, nullptr);
    }

    // One key wait with a 4-byte output, zeroed first as the reader does.
    KeyWaitResult WaitKey(FilterHandle handle, platform::CancelSignal* cancel = nullptr) {
        KeyWaitResult wait{ControlResult::Failed, Bytes(4, 0)};
        wait.result = service_.Control(handle, kWaitKey, nullptr, 0, wait.event.data(), 4, cancel);
        return wait;
    }

    // The key wait on another thread, as the reader issues it; returns once
    // the wait is outstanding.
    std::future<KeyWaitResult> StartKeyWait(FilterHandle handle,
                                            platform::CancelSignal* cancel = nullptr) {
        auto wait = std::async(std::launch::async, [=, this] { return WaitKey(handle, cancel); });
        EXPECT_TRUE(filter_.WaitForKeyWait(kPatience));
        return wait;
    }

    SimWorld world_;
    SimFilterService& filter_ = world_.Filter();
    platform::FilterService& service_ = world_.Backend().Filter();
};

TEST_F(SimFilter, IsTheBackendsFilterService) {
    EXPECT_EQ(&service_, &filter_);
}

TEST_F(SimFilter, OpensOnlyByItsNameWhileInstalled) {
    const struct {
        const char* name;
        bool opens;
    } cases[] = {
        {"\\\\.\\vhidflt", true},
        {"\\\\.\\VHidFlt", true},
        {"\\\\.\\vhidflt2", false},
        {"\\\\.\\vhidfl", false},
        {"vhidflt", false},
        {"\\\\?\\vhidflt", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const FilterHandle handle = service_.Open(c.name, test::kReadWrite, test::kShareAll);
        if (c.opens) {
            EXPECT_NE(handle, platform::kInvalidFilter);
            EXPECT_NE(handle, platform::kNoFilter);
            service_.Close(handle);
        } else {
            EXPECT_EQ(handle, platform::kInvalidFilter);
        }
    }
    EXPECT_EQ(filter_.OpenHandles(), 0U);

    SimWorld without({.filterInstalled = false});
    EXPECT_EQ(without.Backend().Filter().Open("\\\\.\\vhidflt", test::kReadWrite, 3),
              platform::kInvalidFilter);
    without.Filter().SetInstalled(true);
    EXPECT_NE(without.Backend().Filter().Open("\\\\.\\vhidflt", test::kReadWrite, 3),
              platform::kInvalidFilter);
}

TEST_F(SimFilter, RecordsAndTracesEveryRequestInOrder) {
    std::ostringstream out;
    SimWorld world({.trace = true, .traceOutput = &out});
    auto& service = world.Backend().Filter();
    const FilterHandle handle = service.Open("\\\\.\\vhidflt", test::kReadWrite, 3);
    const auto send = [&](std::uint32_t code, const Bytes& input) {
        return service.Control(handle, code, input.data(), input.size(), nullptr, 0, nullptr);
    };
    const Bytes table = KeyTable({{0xE1, 0x00, 0x07, 0x02}, {0xE9, 0x00, 0x0C, 0x02}});
    const Bytes empty(1024, 0);
    const Bytes cleared(256, 0);
    const Bytes value{0, 0, 0, 0};

    EXPECT_EQ(send(kPrestart1, {}), ControlResult::Completed);
    EXPECT_EQ(send(kPrestart2, {}), ControlResult::Completed);
    world.Filter().InjectKey(0x07, 0x04, true); // after the pair, which drops queued keys
    EXPECT_EQ(send(kSetValue, value), ControlResult::Completed);
    EXPECT_EQ(send(kSetKeyTable, table), ControlResult::Completed);
    EXPECT_EQ(send(kSetKeyTable, empty), ControlResult::Completed);
    EXPECT_EQ(send(kSetKeyTable, cleared), ControlResult::Completed);
    std::uint8_t event[4] = {};
    EXPECT_EQ(service.Control(handle, kWaitKey, nullptr, 0, event, 4, nullptr),
              ControlResult::Completed);

    const std::vector<SimFilterRequest> expected{
        {kPrestart1, {}},      {kPrestart2, {}},        {kSetValue, value}, {kSetKeyTable, table},
        {kSetKeyTable, empty}, {kSetKeyTable, cleared}, {kWaitKey, {}},
    };
    EXPECT_EQ(world.Filter().Requests(), expected);
    EXPECT_EQ(out.str(), "sim: filter ioctl 00226008\n"
                         "sim: filter ioctl 0022600c\n"
                         "sim: filter ioctl 00226010 00 00 00 00\n"
                         "sim: filter ioctl 0022a000 e1 00 07 02 e9 00 0c 02\n"
                         "sim: filter ioctl 0022a000 (1024 zero bytes)\n"
                         "sim: filter ioctl 0022a000 (256 zero bytes)\n"
                         "sim: filter ioctl 00226044\n");
    world.Filter().ClearRequests();
    EXPECT_TRUE(world.Filter().Requests().empty());
}

TEST_F(SimFilter, KeepsTheLastKeyTableDecoded) {
    const FilterHandle handle = Open();
    EXPECT_FALSE(filter_.KeyTable().has_value()) << "no table before the first";

    // 256 records fill the whole table; usages keep their 16-bit field, so
    // a usage above 0xFF that was not cut to its low byte shows.
    std::vector<Bytes> full;
    for (int i = 0; i < 256; ++i) {
        full.push_back({static_cast<std::uint8_t>(i), 0x00, 0x07, 0x02});
    }
    full[255] = {0x83, 0x01, 0x0C, 0x02};
    ASSERT_EQ(Send(handle, kSetKeyTable, KeyTable(full)), ControlResult::Completed);
    const auto table = filter_.KeyTable();
    ASSERT_TRUE(table.has_value());
    ASSERT_EQ(table->size(), 256U);
    EXPECT_EQ(table->front(), (SimKeyTableEntry{0x07, 0x00, 0x02}));
    EXPECT_EQ(table->at(0xE1), (SimKeyTableEntry{0x07, 0xE1, 0x02}));
    EXPECT_EQ(table->back(), (SimKeyTableEntry{0x0C, 0x0183, 0x02}));

    ASSERT_EQ(Send(handle, kSetKeyTable, KeyTable({{0xE9, 0x00, 0x0C, 0x02}})),
              ControlResult::Completed);
    EXPECT_EQ(filter_.KeyTable(), (std::vector<SimKeyTableEntry>{{0x0C, 0xE9, 0x02}}));

    ASSERT_EQ(Send(handle, kSetKeyTable, Bytes(256, 0)), ControlResult::Completed);
    EXPECT_EQ(filter_.KeyTable(), std::vector<SimKeyTableEntry>{}) << "cleared";

    // A table the filter refuses leaves the last one in place.
    ASSERT_EQ(Send(handle, kSetKeyTable, KeyTable({{0xE1, 0, 7, 2}})), ControlResult::Completed);
    EXPECT_EQ(Send(handle, kSetKeyTable, Bytes(1025, 1)), ControlResult::Failed);
    service_.Close(handle);
    EXPECT_EQ(filter_.KeyTable(), (std::vector<SimKeyTableEntry>{{0x07, 0xE1, 0x02}}));
}

TEST_F(SimFilter, RefusesMalformedRequests) {
    const FilterHandle handle = Open();
    const FilterHandle readOnly = Open(platform::kGenericRead);
    const FilterHandle closed = Open();
    service_.Close(closed);
    SimWorld other;
    const auto foreign = other.Backend().Filter().CreateCancelSignal();
    // A signal no simulated world made.
    struct AlienSignal final : platform::CancelSignal {
        void Set() override {}
        void Reset() override {}
    };
    const auto alien = std::make_unique<AlienSignal>();
    std::uint8_t output[4] = {};
    const Bytes four(4, 0);
    const struct {
        const char* what;
        FilterHandle handle;
        std::uint32_t code;
        const std::uint8_t* input;
        std::size_t inputLength;
        std::size_t outputLength;
        platform::CancelSignal* cancel;
        bool reachesFilter;
    } cases[] = {
        // Stopped before the filter.
        {"closed handle", closed, kPrestart1, nullptr, 0, 0, nullptr, false},
        {"no handle", platform::kNoFilter, kPrestart1, nullptr, 0, 0, nullptr, false},
        {"invalid handle", platform::kInvalidFilter, kPrestart1, nullptr, 0, 0, nullptr, false},
        {"input length without input", handle, kSetValue, nullptr, 4, 0, nullptr, false},
        {"table on a handle without write access", readOnly, kSetKeyTable, four.data(), 4, 0,
         nullptr, false},
        {"cancel signal of another world", handle, kWaitKey, nullptr, 0, 4, foreign.get(), false},
        {"cancel signal of another service", handle, kWaitKey, nullptr, 0, 4, alien.get(), false},
        // Refused by the filter.
        {"value of 3 bytes", handle, kSetValue, four.data(), 3, 0, nullptr, true},
        {"value of 0 bytes", handle, kSetValue, nullptr, 0, 0, nullptr, true},
        {"table of 0 bytes", handle, kSetKeyTable, nullptr, 0, 0, nullptr, true},
        {"table of 3 bytes", handle, kSetKeyTable, four.data(), 3, 0, nullptr, true},
        {"key wait with a 2-byte output", handle, kWaitKey, nullptr, 0, 2, nullptr, true},
        {"unknown code", handle, 0x00226048, nullptr, 0, 0, nullptr, true},
    };
    filter_.InjectKey(7, 4, true); // a refused key wait must not take it
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        filter_.ClearRequests();
        EXPECT_EQ(service_.Control(c.handle, c.code, c.input, c.inputLength,
                                   c.outputLength != 0 ? output : nullptr, c.outputLength,
                                   c.cancel),
                  ControlResult::Failed);
        EXPECT_EQ(filter_.Requests().size(), c.reachesFilter ? 1U : 0U);
    }
    EXPECT_EQ(filter_.QueuedKeys(), 1U);
    // The read-only handle may still send what needs only read access.
    EXPECT_EQ(Send(readOnly, kPrestart1), ControlResult::Completed);
    filter_.InjectKey(7, 5, true);
    EXPECT_EQ(WaitKey(readOnly).result, ControlResult::Completed);
}

// A new reader starts after PRESTART_1 and _2; keys pressed while none ran
// are not its to act on, as on Linux. Either request of the pair drops them.
TEST_F(SimFilter, APrestartDropsTheQueuedKeys) {
    const FilterHandle handle = Open();
    for (const auto code : {kPrestart1, kPrestart2}) {
        filter_.InjectKey(7, 4, true);
        filter_.InjectKey(7, 4, false);
        ASSERT_EQ(filter_.QueuedKeys(), 2U);
        EXPECT_EQ(Send(handle, code), ControlResult::Completed);
        EXPECT_EQ(filter_.QueuedKeys(), 0U);
    }
    filter_.InjectKey(7, 5, true);
    const KeyWaitResult wait = WaitKey(handle);
    EXPECT_EQ(wait.event, (Bytes{0x05, 0x00, 0x07, 0x01}));
}

TEST_F(SimFilter, KeyWaitAnswersWithTheKeyEventRecord) {
    const FilterHandle handle = Open();
    const struct {
        std::uint8_t page;
        std::uint16_t usage;
        bool down;
        Bytes record;
    } cases[] = {
        {0x07, 0x0007, true, {0x07, 0x00, 0x07, 0x01}},
        {0x07, 0x00E1, false, {0xE1, 0x00, 0x07, 0x00}},
        {0x0C, 0x00E9, true, {0xE9, 0x00, 0x0C, 0x01}},
        {0x0C, 0x0183, false, {0x83, 0x01, 0x0C, 0x00}},
        {0x01, 0x0081, true, {0x81, 0x00, 0x01, 0x01}},
    };
    // Queued first, then taken one wait each, in order.
    for (const auto& c : cases) {
        filter_.InjectKey(c.page, c.usage, c.down);
    }
    EXPECT_EQ(filter_.QueuedKeys(), std::size(cases));
    for (const auto& c : cases) {
        const KeyWaitResult wait = WaitKey(handle);
        EXPECT_EQ(wait.result, ControlResult::Completed);
        EXPECT_EQ(wait.event, c.record);
    }
    EXPECT_EQ(filter_.QueuedKeys(), 0U);

    // Only the first 4 bytes of a larger output are written.
    filter_.InjectKey(0x07, 0x04, true);
    Bytes output(8, 0xAA);
    ASSERT_EQ(service_.Control(handle, kWaitKey, nullptr, 0, output.data(), 8, nullptr),
              ControlResult::Completed);
    EXPECT_EQ(output, (Bytes{0x04, 0x00, 0x07, 0x01, 0xAA, 0xAA, 0xAA, 0xAA}));
}

TEST_F(SimFilter, KeyWaitCompletesWhenAKeyArrives) {
    const FilterHandle handle = Open();
    EXPECT_FALSE(filter_.WaitForKeyWait(10ms)) << "nobody waits yet";
    auto wait = StartKeyWait(handle);
    filter_.InjectKey(0x07, 0x07, true);
    EXPECT_FALSE(filter_.WaitForKeyWait(0ms)) << "the event was handed over at once";
    ASSERT_EQ(wait.wait_for(kPatience), std::future_status::ready);
    const KeyWaitResult result = wait.get();
    EXPECT_EQ(result.result, ControlResult::Completed);
    EXPECT_EQ(result.event, (Bytes{0x07, 0x00, 0x07, 0x01}));
    EXPECT_EQ(filter_.QueuedKeys(), 0U);
}

TEST_F(SimFilter, UiRequestsPassWhileTheKeyWaitIsOutstanding) {
    const FilterHandle handle = Open();
    auto wait = StartKeyWait(handle);
    EXPECT_EQ(Send(handle, kSetValue, {0, 0, 0, 0}), ControlResult::Completed);
    EXPECT_EQ(Send(handle, kSetKeyTable, KeyTable({{0xE1, 0, 7, 2}})), ControlResult::Completed);
    EXPECT_EQ(wait.wait_for(0ms), std::future_status::timeout) << "still waiting for a key";
    filter_.InjectKey(0x07, 0xE1, false);
    EXPECT_EQ(wait.get().event, (Bytes{0xE1, 0x00, 0x07, 0x00}));
}

TEST_F(SimFilter, CancelSignalEndsTheWaitItGuards) {
    const FilterHandle handle = Open();
    const auto cancel = service_.CreateCancelSignal();
    auto wait = StartKeyWait(handle, cancel.get());
    cancel->Set();
    ASSERT_EQ(wait.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(wait.get().result, ControlResult::Cancelled);
    EXPECT_FALSE(filter_.WaitForKeyWait(0ms)) << "the wait was withdrawn";

    // The set was used up: the next wait waits, and gets the next key.
    auto next = StartKeyWait(handle, cancel.get());
    filter_.InjectKey(0x07, 0x05, true);
    EXPECT_EQ(next.get().event, (Bytes{0x05, 0x00, 0x07, 0x01}));
    EXPECT_EQ(filter_.QueuedKeys(), 0U) << "a cancelled wait takes no key";
}

TEST_F(SimFilter, CancelSignalIsAnAutoResetEvent) {
    const FilterHandle handle = Open();
    const auto cancel = service_.CreateCancelSignal();

    // A set with nobody waiting is kept for the next wait, which ends at once.
    cancel->Set();
    EXPECT_EQ(WaitKey(handle, cancel.get()).result, ControlResult::Cancelled);

    // Reset drops a kept set.
    cancel->Set();
    cancel->Reset();
    auto wait = StartKeyWait(handle, cancel.get());
    filter_.InjectKey(0x07, 0x06, true);
    EXPECT_EQ(wait.get().result, ControlResult::Completed);

    // A queued key completes the wait at once even when the signal is set,
    // and leaves the set for the wait after.
    filter_.InjectKey(0x07, 0x08, true);
    cancel->Set();
    EXPECT_EQ(WaitKey(handle, cancel.get()).result, ControlResult::Completed);
    EXPECT_EQ(WaitKey(handle, cancel.get()).result, ControlResult::Cancelled);

    // Another signal does not end this wait: the next key still goes to it,
    // and the other signal keeps its set for a wait it guards.
    const auto other = service_.CreateCancelSignal();
    auto guarded = StartKeyWait(handle, cancel.get());
    other->Set();
    filter_.InjectKey(0x07, 0x09, true);
    const KeyWaitResult result = guarded.get();
    EXPECT_EQ(result.result, ControlResult::Completed);
    EXPECT_EQ(result.event, (Bytes{0x09, 0x00, 0x07, 0x01}));
    EXPECT_EQ(filter_.QueuedKeys(), 0U);
    EXPECT_EQ(WaitKey(handle, other.get()).result, ControlResult::Cancelled);
}

TEST_F(SimFilter, CloseFromAnotherThreadEndsTheWaitsOnThatHandleOnly) {
    const FilterHandle old = Open();
    const FilterHandle fresh = Open();
    auto onOld = std::async(std::launch::async, [&] { return WaitKey(old); });
    auto onFresh = std::async(std::launch::async, [&] { return WaitKey(fresh); });
    ASSERT_TRUE(filter_.WaitForKeyWait(kPatience, 2)) << "both waits outstanding";
    EXPECT_EQ(filter_.Requests().size(), 2U);

    service_.Close(old); // as the channel's reopen does while the reader waits
    ASSERT_EQ(onOld.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(onOld.get().result, ControlResult::Failed);
    EXPECT_EQ(WaitKey(old).result, ControlResult::Failed) << "closed for good";

    EXPECT_TRUE(filter_.WaitForKeyWait(0ms)) << "the wait on the other handle goes on";
    filter_.InjectKey(0x07, 0x09, true);
    EXPECT_EQ(onFresh.get().event, (Bytes{0x09, 0x00, 0x07, 0x01}));
    EXPECT_EQ(filter_.OpenHandles(), 1U);
    service_.Close(fresh);
    service_.Close(fresh); // twice: harmless
    service_.Close(0x1234);
    EXPECT_EQ(filter_.OpenHandles(), 0U);
}

TEST_F(SimFilter, UninstallKillsTheOpenHandles) {
    const FilterHandle handle = Open();
    auto wait = StartKeyWait(handle);
    filter_.SetInstalled(false);
    EXPECT_FALSE(filter_.Installed());
    ASSERT_EQ(wait.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(wait.get().result, ControlResult::Failed);
    EXPECT_EQ(Send(handle, kPrestart1), ControlResult::Failed);
    EXPECT_EQ(Open(), platform::kInvalidFilter);

    filter_.InjectKey(0x07, 0x0A, true); // kept for whoever opens next
    filter_.SetInstalled(true);
    EXPECT_EQ(Send(handle, kPrestart1), ControlResult::Failed) << "dead for good";
    const FilterHandle again = Open();
    ASSERT_NE(again, platform::kInvalidFilter);
    EXPECT_NE(again, handle);
    EXPECT_EQ(WaitKey(again).event, (Bytes{0x0A, 0x00, 0x07, 0x01}));
    service_.Close(handle);
    service_.Close(again);
    EXPECT_EQ(filter_.OpenHandles(), 0U);
}

// The reader's loop against a UI thread that sends requests, sets the
// cancel signal and injects keys all at once: no key is lost or repeated,
// whatever the cancels hit.
TEST_F(SimFilter, NoKeyIsLostToCancelsOrConcurrentRequests) {
    constexpr int kKeys = 500;
    const FilterHandle handle = Open();
    const auto cancel = service_.CreateCancelSignal();
    std::vector<int> seen;
    int cancelled = 0;
    std::thread reader([&] {
        while (seen.size() < kKeys) {
            const KeyWaitResult wait = WaitKey(handle, cancel.get());
            if (wait.result == ControlResult::Completed) {
                seen.push_back(wait.event[0] | (wait.event[1] << 8));
            } else {
                ASSERT_EQ(wait.result, ControlResult::Cancelled);
                ++cancelled;
            }
        }
    });
    for (int i = 0; i < kKeys; ++i) {
        filter_.InjectKey(0x07, static_cast<std::uint16_t>(i), true);
        if (i % 7 == 0) {
            cancel->Set();
        }
        if (i % 5 == 0) {
            EXPECT_EQ(Send(handle, kSetValue, {0, 0, 0, 0}), ControlResult::Completed);
        }
    }
    reader.join();
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kKeys));
    for (int i = 0; i < kKeys; ++i) {
        ASSERT_EQ(seen[i], i);
    }
    EXPECT_EQ(filter_.QueuedKeys(), 0U);
}

} // namespace
} // namespace keywright::sim
