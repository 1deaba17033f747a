#include "engine/KeyMonitor.h"

#include "EngineTestSupport.h"
#include "FakeFilter.h"
#include "platform/sim/SimWorld.h"

#include <gtest/gtest.h>
#include <thread>

using namespace std::chrono_literals;

namespace keywright {
namespace {

using HidUsbFilter::KeyMonitor;
using test::Ear;
using test::FakeFilter;
using test::Heard;
using test::kPatience;
using test::Listener;
using test::Pass;

std::size_t KeyWaits(const std::vector<sim::SimFilterRequest>& requests) {
    std::size_t count = 0;
    for (const auto& request : requests)
        if (request.code == IOCTL_VHIDFLT_WAIT_KEY)
            ++count;
    return count;
}

KeyRecord Record(KeyCode code) {
    KeyRecord record;
    record.code = code;
    record.play = 1;
    return record;
}

// A key monitor on the simulated filter driver, as the main window sets it
// up: listeners, open, reader. Its reader waits on a test clock.
class KeyMonitorTest : public ::testing::Test {
  protected:
    KeyMonitorTest() : monitor(std::make_unique<KeyMonitor>(filter, clock)) {}

    void StartReading() {
        ASSERT_NE(monitor->Channel().Open(), platform::kInvalidFilter);
        ASSERT_TRUE(monitor->RestartReader());
        ASSERT_TRUE(filter.WaitForKeyWait(kPatience));
    }
    // A key goes down or up; returns when every listener has had it.
    void Key(std::uint8_t page, std::uint16_t usage, bool down) {
        filter.InjectKey(page, usage, down);
        ASSERT_TRUE(filter.WaitForKeyWait(kPatience));
    }

    ManualClock clock;
    sim::SimWorld world;
    sim::SimFilterService& filter = world.Filter();
    Ear ear;
    std::unique_ptr<KeyMonitor> monitor;
};

TEST_F(KeyMonitorTest, ListenersHearNewestFirstAndANonZeroResultHidesTheEventFromOlderOnes) {
    Listener oldest("oldest", ear), hiding("hiding", ear, 1), newest("newest", ear);
    monitor->Subscribe(&oldest, &Listener::OnKey);
    monitor->Subscribe(&hiding, &Listener::OnKey);
    monitor->Subscribe(&newest, &Listener::OnKey);
    StartReading();

    Key(0x07, 0x04, true);
    EXPECT_EQ(ear.All(), (std::vector<Heard>{{"newest", 7, 4, 1}, {"hiding", 7, 4, 1}}));

    ear.Clear();
    ASSERT_TRUE(monitor->Unsubscribe(&hiding, &Listener::OnKey));
    Key(0x0C, 0xCD, false);
    EXPECT_EQ(ear.All(), (std::vector<Heard>{{"newest", 12, 0xCD, 0}, {"oldest", 12, 0xCD, 0}}));
}

TEST_F(KeyMonitorTest, AListenerIsKeptOncePerTargetAndMethod) {
    Listener a("a", ear), b("b", ear);
    EXPECT_TRUE(monitor->Subscribe(&a, &Listener::OnKey));
    EXPECT_FALSE(monitor->Subscribe(&a, &Listener::OnKey));
    EXPECT_TRUE(monitor->Subscribe(&a, &Listener::OnKeyAgain)); // another method: another listener
    EXPECT_TRUE(monitor->Subscribe(&b, &Listener::OnKey));      // another target: too
    EXPECT_EQ(monitor->ListenerCount(), 3u);
    StartReading();

    Key(0x07, 0x05, true);
    EXPECT_EQ(ear.All(),
              (std::vector<Heard>{{"b", 7, 5, 1}, {"a again", 7, 5, 1}, {"a", 7, 5, 1}}));

    EXPECT_TRUE(monitor->Unsubscribe(&a, &Listener::OnKey));
    EXPECT_FALSE(monitor->Unsubscribe(&a, &Listener::OnKey));
    EXPECT_EQ(monitor->ListenerCount(), 2u);
}

TEST(KeyMonitorEvents, TheRecordIsDecodedAsUsagePageAndDownBit) {
    const struct {
        std::array<std::uint8_t, 4> bytes;
        Heard heard;
    } cases[] = {
        {{0x07, 0x00, 0x07, 0x01}, {"l", 7, 7, 1}},
        {{0x07, 0x00, 0x07, 0xFE}, {"l", 7, 7, 0}}, // only bit 0 says down
        {{0x07, 0x00, 0x07, 0xFF}, {"l", 7, 7, 1}},
        {{0xE1, 0x00, 0x07, 0x00}, {"l", 7, 0xE1, 0}},
        {{0x23, 0x02, 0x0C, 0x01}, {"l", 12, 0x223, 1}}, // usage is little-endian
        {{0xFF, 0xFF, 0xFF, 0x03}, {"l", 255, 0xFFFF, 1}},
    };
    FakeFilter filter;
    Ear ear;
    Listener listener("l", ear);
    KeyMonitor monitor(filter);
    monitor.Subscribe(&listener, &Listener::OnKey);
    monitor.Channel().Open();
    ASSERT_TRUE(monitor.RestartReader());
    for (const auto& c : cases)
        filter.Queue(c.bytes);
    ASSERT_TRUE(ear.WaitForCount(std::size(cases)));
    const std::vector<Heard> heard = ear.All();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(heard[i], cases[i].heard);
    }
}

TEST_F(KeyMonitorTest, WithoutListenersTheFilterIsNotAskedForKeys) {
    ASSERT_NE(monitor->Channel().Open(), platform::kInvalidFilter);
    ASSERT_TRUE(monitor->RestartReader());
    ASSERT_TRUE(clock.WaitForSleepers(1)) << "the reader idles";
    EXPECT_EQ(KeyWaits(filter.Requests()), 0u);

    // The first listener starts the waits.
    Listener listener("l", ear);
    monitor->Subscribe(&listener, &Listener::OnKey);
    ASSERT_TRUE(filter.WaitForKeyWait(kPatience));
    Key(0x07, 0x04, true);
    EXPECT_EQ(ear.All(), (std::vector<Heard>{{"l", 7, 4, 1}}));
}

TEST_F(KeyMonitorTest, WhileTheChannelIsClosedTheFilterIsNotAskedForKeys) {
    filter.SetInstalled(false);
    Listener listener("l", ear);
    monitor->Subscribe(&listener, &Listener::OnKey);
    EXPECT_EQ(monitor->Channel().Open(), platform::kInvalidFilter);
    ASSERT_TRUE(monitor->RestartReader());
    monitor->SetValue(0);
    monitor->SendKeyTable(RecordStore(SaveMode::ReadOnly));
    ASSERT_TRUE(clock.WaitForSleepers(1)) << "the reader idles";
    EXPECT_TRUE(filter.Requests().empty()); // every request is skipped

    // The driver comes (a keyboard arrival reopens the channel): the idle
    // reader starts waiting on it.
    filter.SetInstalled(true);
    ASSERT_NE(monitor->Channel().Open(), platform::kInvalidFilter);
    ASSERT_TRUE(filter.WaitForKeyWait(kPatience));
    Key(0x07, 0x29, true);
    EXPECT_EQ(ear.All(), (std::vector<Heard>{{"l", 7, 0x29, 1}}));
}

TEST_F(KeyMonitorTest, StopReaderEndsAPendingKeyWaitWithoutAKey) {
    Listener listener("l", ear);
    monitor->Subscribe(&listener, &Listener::OnKey);
    StartReading();

    monitor->StopReader(); // must return: no key comes
    EXPECT_FALSE(monitor->IsReading());
    filter.InjectKey(0x07, 0x04, true); // the reader is gone: nobody takes it
    EXPECT_EQ(ear.Count(), 0u);
    EXPECT_EQ(filter.QueuedKeys(), 1u);

    // Stopping again, or with no reader at all, is harmless. A restart drops
    // the key pressed while no reader ran (as the Linux filter does: the
    // start pair drops the queue) and takes the next one.
    monitor->StopReader();
    ASSERT_TRUE(monitor->RestartReader());
    ASSERT_TRUE(filter.WaitForKeyWait(kPatience));
    EXPECT_EQ(filter.QueuedKeys(), 0u);
    EXPECT_EQ(ear.Count(), 0u);
    filter.InjectKey(0x07, 0x05, true);
    ASSERT_TRUE(ear.WaitForCount(1));
}

TEST(KeyMonitorStarts, TheStartPairComesBeforeEveryReaderStartAndNeverWhileOneRuns) {
    FakeFilter filter;
    Ear ear;
    Listener listener("l", ear);
    KeyMonitor monitor(filter);
    monitor.Subscribe(&listener, &Listener::OnKey);
    monitor.Channel().Open();

    for (int start = 0; start < 3; ++start) {
        ASSERT_TRUE(monitor.RestartReader());
        ASSERT_TRUE(filter.WaitForKeyWait(kPatience));
    }
    monitor.StopReader();
    ASSERT_TRUE(monitor.RestartReader());
    ASSERT_TRUE(filter.WaitForKeyWait(kPatience));

    EXPECT_EQ(filter.PrestartsWhileReading(), 0);
    std::vector<std::uint32_t> codes; // runs of key waits (retries) counted once
    for (const auto& request : filter.Requests())
        if (codes.empty() || request.code != IOCTL_VHIDFLT_WAIT_KEY || codes.back() != request.code)
            codes.push_back(request.code);
    const std::uint32_t p1 = IOCTL_VHIDFLT_PRESTART_1, p2 = IOCTL_VHIDFLT_PRESTART_2,
                        wait = IOCTL_VHIDFLT_WAIT_KEY;
    EXPECT_EQ(codes,
              (std::vector<std::uint32_t>{p1, p2, wait, p1, p2, wait, p1, p2, wait, p1, p2, wait}));
    for (const auto& request : filter.Requests())
        EXPECT_TRUE(request.input.empty());
}

TEST(KeyMonitorChannel, OpensTheControlDeviceByNameReadWriteShared) {
    FakeFilter filter;
    {
        KeyMonitor monitor(filter);
        EXPECT_EQ(monitor.Channel().DeviceName(), "");
        EXPECT_EQ(monitor.Channel().Access(), 0xC0000000u);
        EXPECT_FALSE(monitor.Channel().IsOpen());
        monitor.Channel().Open();
        monitor.Channel().Open(); // closes the first handle
        EXPECT_EQ(monitor.Channel().DeviceName(), "\\\\.\\vhidflt");
        EXPECT_EQ(filter.OpenHandles(), 1u);
    }
    EXPECT_EQ(filter.OpenHandles(), 0u);
    for (const FakeFilter::Opened& opened : filter.Opens()) {
        EXPECT_EQ(opened.name, "\\\\.\\vhidflt");
        EXPECT_EQ(opened.access, 0xC0000000u);
        EXPECT_EQ(opened.share, 3u);
    }
}

TEST_F(KeyMonitorTest, AReopenedChannelIsUsedByTheRunningReaderAfterTheRetryDelay) {
    Listener listener("l", ear);
    monitor->Subscribe(&listener, &Listener::OnKey);
    StartReading();
    const std::size_t waits = KeyWaits(filter.Requests());
    // "reopen": the key wait on the old handle ends without a key.
    ASSERT_NE(monitor->Channel().Open(), platform::kInvalidFilter);
    EXPECT_EQ(filter.OpenHandles(), 1u);
    ASSERT_TRUE(Pass(clock, 9ms));
    ASSERT_TRUE(clock.WaitForSleepers(1));
    EXPECT_EQ(KeyWaits(filter.Requests()), waits) << "9 ms: still in the retry delay";
    ASSERT_TRUE(Pass(clock, 1ms));
    ASSERT_TRUE(filter.WaitForKeyWait(kPatience));
    EXPECT_EQ(KeyWaits(filter.Requests()), waits + 1);
    Key(0x07, 0x06, true);
    EXPECT_EQ(ear.All(), (std::vector<Heard>{{"l", 7, 6, 1}}));
}

TEST(KeyTable, EntriesCarryTheLowByteOfTheUsageThePageAndTheFlag) {
    const struct {
        std::vector<KeyCode> codes;
        std::vector<std::uint8_t> head; // the table's first bytes; the rest zero
    } cases[] = {
        {{}, {}},
        {{0x000700E1}, {0xE1, 0x00, 0x07, 0x02}},
        {{0x000C00E9}, {0xE9, 0x00, 0x0C, 0x02}},
        {{0x000C0223}, {0x23, 0x00, 0x0C, 0x02}}, // usage above 0xFF: low byte only
        {{0x01070004}, {0x04, 0x00, 0x07, 0x02}}, // page bits above 23 are dropped
        {{0x00000000}, {0x00, 0x00, 0x00, 0x02}}, // a hand-edited record with no key
        {{0x00070029, 0x000C00CD, 0x00010081},
         {0x29, 0x00, 0x07, 0x02, 0xCD, 0x00, 0x0C, 0x02, 0x81, 0x00, 0x01, 0x02}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.codes));
        std::vector<KeyRecord> records;
        for (KeyCode code : c.codes)
            records.push_back(Record(code));
        std::vector<std::uint8_t> expected = c.head;
        expected.resize(1024, 0);
        const KeyTable table = BuildKeyTable(records);
        EXPECT_EQ(std::vector<std::uint8_t>(table.begin(), table.end()), expected);
    }
}

TEST(KeyTable, RecordsAfterThe256thAreCut) {
    std::vector<KeyRecord> records;
    for (KeyCode usage = 0; usage < 300; ++usage)
        records.push_back(Record(0x000C0000 | usage));
    const KeyTable table = BuildKeyTable(records);
    EXPECT_EQ(table[0], 0x00);
    EXPECT_EQ(table[4 * 255 + 0], 0xFF); // record 255, usage 0xFF
    EXPECT_EQ(table[4 * 255 + 2], 0x0C);
    EXPECT_EQ(table[4 * 255 + 3], 0x02);
    EXPECT_EQ(table.size(), 1024u);
}

TEST_F(KeyMonitorTest, SendKeyTableSendsTheStoreAndTeardownClearsIt) {
    RecordStore store(SaveMode::ReadOnly);
    store.Put(Record(0x000700E1));
    store.Put(Record(0x000C00E9));
    Listener listener("l", ear);
    monitor->Subscribe(&listener, &Listener::OnKey);
    monitor->SendKeyTable(store); // closed: skipped
    EXPECT_TRUE(filter.Requests().empty());
    StartReading();

    monitor->SendKeyTable(store);
    monitor->SetValue(0);
    EXPECT_EQ(filter.KeyTable(), (std::vector<sim::SimKeyTableEntry>{{7, 0xE1, 2}, {12, 0xE9, 2}}));

    monitor.reset(); // while the reader waits for a key
    const auto requests = filter.Requests();
    std::vector<sim::SimFilterRequest> others;
    for (const auto& request : requests)
        if (request.code != IOCTL_VHIDFLT_WAIT_KEY)
            others.push_back(request);
    KeyTable table{};
    table[0] = 0xE1, table[2] = 0x07, table[3] = 0x02;
    table[4] = 0xE9, table[6] = 0x0C, table[7] = 0x02;
    EXPECT_EQ(others, (std::vector<sim::SimFilterRequest>{
                          {IOCTL_VHIDFLT_PRESTART_1, {}},
                          {IOCTL_VHIDFLT_PRESTART_2, {}},
                          {IOCTL_VHIDFLT_SET_KEY_TABLE, {table.begin(), table.end()}},
                          {IOCTL_VHIDFLT_SET_VALUE, {0, 0, 0, 0}},
                          {IOCTL_VHIDFLT_SET_KEY_TABLE, std::vector<std::uint8_t>(256, 0)},
                      }));
    EXPECT_EQ(filter.KeyTable(), std::vector<sim::SimKeyTableEntry>{});
    EXPECT_EQ(filter.OpenHandles(), 0u);
}

TEST_F(KeyMonitorTest, AnEmptyStoreSendsAnAllZeroTable) {
    ASSERT_NE(monitor->Channel().Open(), platform::kInvalidFilter);
    monitor->SendKeyTable(RecordStore(SaveMode::ReadOnly));
    const auto requests = filter.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back(), (sim::SimFilterRequest{IOCTL_VHIDFLT_SET_KEY_TABLE,
                                                      std::vector<std::uint8_t>(1024)}));
}

// A listener that breaks the rules: it calls back into the monitor.
struct Meddler {
    int OnKey(int page, int usage, int down) {
        subscribed = monitor->Subscribe(other, &Listener::OnKey) ? 1 : 0;
        restarted = monitor->RestartReader() ? 1 : 0;
        monitor->StopReader(); // only a request from here
        done.Record({"meddler", page, usage, down});
        return 0;
    }
    KeyMonitor* monitor = nullptr;
    Listener* other = nullptr;
    Ear& done;
    std::atomic<int> subscribed{-1};
    std::atomic<int> restarted{-1};
};

TEST_F(KeyMonitorTest, CallsFromInsideAListenerAreRefusedInsteadOfDeadlocking) {
    Listener other("other", ear);
    Ear meddled;
    Meddler meddler{monitor.get(), &other, meddled};
    monitor->Subscribe(&meddler, &Meddler::OnKey);
    StartReading();
    filter.InjectKey(0x07, 0x04, true);

    ASSERT_TRUE(meddled.WaitForCount(1));
    EXPECT_EQ(meddler.subscribed, 0);
    EXPECT_EQ(meddler.restarted, 0);
    monitor->StopReader(); // collects the reader that stopped itself
    EXPECT_FALSE(monitor->IsReading());
    EXPECT_EQ(monitor->ListenerCount(), 1u);
}

TEST_F(KeyMonitorTest, ManyKeysWhileListenersAndRecordsChange) {
    Listener steady("steady", ear);
    Ear otherEar;
    Listener coming("coming", otherEar);
    monitor->Subscribe(&steady, &Listener::OnKey);
    StartReading();
    RecordStore store(SaveMode::ReadOnly);

    constexpr int kKeys = 2000;
    std::thread keyboard([&] {
        for (int i = 0; i < kKeys; ++i)
            filter.InjectKey(0x07, static_cast<std::uint16_t>(4 + i % 26), i % 2 == 0);
    });
    for (int i = 0; ear.Count() < kKeys && i < 100000; ++i) {
        monitor->Subscribe(&coming, &Listener::OnKey);
        store.Put(Record(0x00070000 | static_cast<KeyCode>(i % 200)));
        if (i % 3 == 0)
            store.Remove(0x00070000 | static_cast<KeyCode>((i + 7) % 200));
        monitor->SendKeyTable(store);
        monitor->Unsubscribe(&coming, &Listener::OnKey);
    }
    keyboard.join();
    ASSERT_TRUE(ear.WaitForCount(kKeys));
    const std::vector<Heard> heard = ear.All();
    for (int i = 0; i < kKeys; ++i)
        ASSERT_EQ(heard[static_cast<std::size_t>(i)], (Heard{"steady", 7, 4 + i % 26, i % 2 == 0}))
            << i;
}

} // namespace
} // namespace keywright
