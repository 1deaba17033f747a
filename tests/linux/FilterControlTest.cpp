#include "platform/linux/FilterControl.h"

#include <array>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <vector>

namespace keywright::platform::lnx {
namespace {

using namespace std::chrono_literals;
using Bytes = std::array<std::uint8_t, 4>;

// Generous: a wait that should end ends at once; this only bounds a hang.
constexpr auto kEnds = 10s;

struct Wait {
    ControlResult result = ControlResult::Failed;
    Bytes bytes{};
};

std::future<Wait> StartWait(FilterControl& control, FilterHandle handle, CancelSignal* cancel) {
    return std::async(std::launch::async, [&control, handle, cancel] {
        Wait wait;
        wait.result = control.Control(handle, IOCTL_VHIDFLT_WAIT_KEY, nullptr, 0, wait.bytes.data(),
                                      wait.bytes.size(), cancel);
        return wait;
    });
}

Wait WaitNow(FilterControl& control, FilterHandle handle, CancelSignal* cancel) {
    auto wait = StartWait(control, handle, cancel);
    EXPECT_EQ(wait.wait_for(kEnds), std::future_status::ready);
    return wait.get();
}

TEST(FilterControl, AnswersEachRequest) {
    struct Case {
        const char* name;
        std::uint32_t code;
        std::vector<std::uint8_t> input;
        std::size_t outputLength;
        ControlResult result;
    };
    const Case cases[] = {
        {"key table", IOCTL_VHIDFLT_SET_KEY_TABLE, std::vector<std::uint8_t>(1024), 0,
         ControlResult::Completed},
        {"key table clear form", IOCTL_VHIDFLT_SET_KEY_TABLE, std::vector<std::uint8_t>(256), 0,
         ControlResult::Completed},
        {"key table of a ragged length", IOCTL_VHIDFLT_SET_KEY_TABLE,
         std::vector<std::uint8_t>(1022), 0, ControlResult::Failed},
        {"key table too long", IOCTL_VHIDFLT_SET_KEY_TABLE, std::vector<std::uint8_t>(1028), 0,
         ControlResult::Failed},
        {"first of the start pair", IOCTL_VHIDFLT_PRESTART_1, {}, 0, ControlResult::Completed},
        {"second of the start pair", IOCTL_VHIDFLT_PRESTART_2, {}, 0, ControlResult::Completed},
        {"set value", IOCTL_VHIDFLT_SET_VALUE, {0, 0, 0, 0}, 0, ControlResult::Completed},
        {"key wait with room for 3 bytes", IOCTL_VHIDFLT_WAIT_KEY, {}, 3, ControlResult::Failed},
        {"an unknown code", 0x00226048, {}, 4, ControlResult::Failed},
        {"the key table's code with read access", 0x00226000, std::vector<std::uint8_t>(1024), 0,
         ControlResult::Failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FilterControl control;
        const FilterHandle handle = control.OpenHandle();
        std::vector<std::uint8_t> output(c.outputLength);
        EXPECT_EQ(control.Control(handle, c.code, c.input.data(), c.input.size(), output.data(),
                                  output.size(), nullptr),
                  c.result);
        // No request is answered once the handle is closed, or on a handle
        // that never was.
        control.CloseHandle(handle);
        for (const FilterHandle closed : {handle, kNoFilter, kInvalidFilter, FilterHandle{77}})
            EXPECT_EQ(control.Control(closed, c.code, c.input.data(), c.input.size(), output.data(),
                                      output.size(), nullptr),
                      ControlResult::Failed);
    }
}

TEST(FilterControl, RefusesInputLengthWithoutInput) {
    FilterControl control;
    const FilterHandle handle = control.OpenHandle();
    EXPECT_EQ(
        control.Control(handle, IOCTL_VHIDFLT_SET_KEY_TABLE, nullptr, 1024, nullptr, 0, nullptr),
        ControlResult::Failed);
    EXPECT_EQ(control.Control(handle, IOCTL_VHIDFLT_WAIT_KEY, nullptr, 0, nullptr, 4, nullptr),
              ControlResult::Failed);
}

TEST(FilterControl, KeyTableHoldsUntilReplacedAndOutlivesHandles) {
    FilterControl control;
    EXPECT_TRUE(control.Table()->Empty());
    FilterHandle handle = control.OpenHandle();
    std::vector<std::uint8_t> table(1024, 0);
    table[0] = 0xE1;
    table[2] = 0x07;
    table[3] = 0x02;
    ASSERT_EQ(control.Control(handle, IOCTL_VHIDFLT_SET_KEY_TABLE, table.data(), table.size(),
                              nullptr, 0, nullptr),
              ControlResult::Completed);
    EXPECT_TRUE(control.Table()->HoldsBack({0x07, 0xE1}));

    // A refused table leaves the one in force.
    EXPECT_EQ(control.Control(handle, IOCTL_VHIDFLT_SET_KEY_TABLE, table.data(), 1001, nullptr, 0,
                              nullptr),
              ControlResult::Failed);
    EXPECT_TRUE(control.Table()->HoldsBack({0x07, 0xE1}));

    EXPECT_EQ(control.CloseHandle(handle), 0u);
    handle = control.OpenHandle();
    EXPECT_TRUE(control.Table()->HoldsBack({0x07, 0xE1}));

    const std::vector<std::uint8_t> clear(256, 0);
    ASSERT_EQ(control.Control(handle, IOCTL_VHIDFLT_SET_KEY_TABLE, clear.data(), clear.size(),
                              nullptr, 0, nullptr),
              ControlResult::Completed);
    EXPECT_TRUE(control.Table()->Empty());
}

TEST(FilterControl, KeyWaitTakesQueuedEventsInOrder) {
    FilterControl control;
    const FilterHandle handle = control.OpenHandle();
    control.Push({{0x07, 0x0004}, true});
    control.Push({{0x0C, 0x0192}, false});
    control.Push({{0x01, 0x0081}, true});
    const Bytes expected[] = {
        {0x04, 0x00, 0x07, 0x01}, {0x92, 0x01, 0x0C, 0x00}, {0x81, 0x00, 0x01, 0x01}};
    for (const Bytes& bytes : expected) {
        const Wait wait = WaitNow(control, handle, nullptr);
        EXPECT_EQ(wait.result, ControlResult::Completed);
        EXPECT_EQ(wait.bytes, bytes);
    }
}

TEST(FilterControl, KeyWaitCompletesWhenAnEventArrives) {
    FilterControl control;
    const FilterHandle handle = control.OpenHandle();
    auto wait = StartWait(control, handle, nullptr);
    EXPECT_TRUE(control.WaitForKeyWaits(1, kEnds)) << "nothing to take: the wait waits";
    control.Push({{0x07, 0x00E1}, true});
    ASSERT_EQ(wait.wait_for(kEnds), std::future_status::ready);
    const Wait done = wait.get();
    EXPECT_EQ(done.result, ControlResult::Completed);
    EXPECT_EQ(done.bytes, (Bytes{0xE1, 0x00, 0x07, 0x01}));
}

TEST(FilterControl, CancelEndsTheWait) {
    FilterControl control;
    const FilterHandle handle = control.OpenHandle();
    const auto cancel = control.CreateCancelSignal();
    auto wait = StartWait(control, handle, cancel.get());
    EXPECT_TRUE(control.WaitForKeyWaits(1, kEnds));
    cancel->Set();
    ASSERT_EQ(wait.wait_for(kEnds), std::future_status::ready);
    EXPECT_EQ(wait.get().result, ControlResult::Cancelled);

    // The signal was used up (auto-reset): the next wait waits again.
    auto next = StartWait(control, handle, cancel.get());
    EXPECT_TRUE(control.WaitForKeyWaits(1, kEnds));
    control.Push({{0x07, 0x0004}, false});
    ASSERT_EQ(next.wait_for(kEnds), std::future_status::ready);
    EXPECT_EQ(next.get().result, ControlResult::Completed);
}

TEST(FilterControl, CancelSetBeforeTheWaitIsKept) {
    FilterControl control;
    const FilterHandle handle = control.OpenHandle();
    const auto cancel = control.CreateCancelSignal();

    cancel->Set();
    EXPECT_EQ(WaitNow(control, handle, cancel.get()).result, ControlResult::Cancelled);

    // Reset takes a Set back.
    cancel->Set();
    cancel->Reset();
    auto wait = StartWait(control, handle, cancel.get());
    EXPECT_TRUE(control.WaitForKeyWaits(1, kEnds)) << "the Set was taken back";
    cancel->Set();
    ASSERT_EQ(wait.wait_for(kEnds), std::future_status::ready);
    EXPECT_EQ(wait.get().result, ControlResult::Cancelled);

    // A queued event wins; the Set stays for the wait after.
    control.Push({{0x07, 0x0004}, true});
    cancel->Set();
    EXPECT_EQ(WaitNow(control, handle, cancel.get()).result, ControlResult::Completed);
    EXPECT_EQ(WaitNow(control, handle, cancel.get()).result, ControlResult::Cancelled);
}

TEST(FilterControl, CloseFailsTheWaitsOfItsHandleOnly) {
    FilterControl control;
    const FilterHandle first = control.OpenHandle();
    const FilterHandle second = control.OpenHandle();
    EXPECT_NE(first, second);
    auto firstWait = StartWait(control, first, nullptr);
    auto secondWait = StartWait(control, second, nullptr);
    EXPECT_TRUE(control.WaitForKeyWaits(2, kEnds));

    EXPECT_EQ(control.CloseHandle(first), 1u);
    ASSERT_EQ(firstWait.wait_for(kEnds), std::future_status::ready);
    EXPECT_EQ(firstWait.get().result, ControlResult::Failed);
    // The wait on the other handle goes on: the next event is its.
    control.Push({{0x07, 0x0004}, true});
    ASSERT_EQ(secondWait.wait_for(kEnds), std::future_status::ready);
    EXPECT_EQ(secondWait.get().result, ControlResult::Completed);

    auto lastWait = StartWait(control, second, nullptr);
    EXPECT_TRUE(control.WaitForKeyWaits(1, kEnds));
    EXPECT_EQ(control.CloseHandle(second), 0u);
    ASSERT_EQ(lastWait.wait_for(kEnds), std::future_status::ready);
    EXPECT_EQ(lastWait.get().result, ControlResult::Failed);
    EXPECT_EQ(control.CloseHandle(second), std::nullopt);
}

TEST(FilterControl, ACancelSignalOfAnotherFilterIsRefused) {
    FilterControl control;
    FilterControl other;
    const FilterHandle handle = control.OpenHandle();
    const auto foreign = other.CreateCancelSignal();
    control.Push({{0x07, 0x0004}, true});
    EXPECT_EQ(WaitNow(control, handle, foreign.get()).result, ControlResult::Failed);
    // The event is still there for a proper request.
    EXPECT_EQ(WaitNow(control, handle, nullptr).result, ControlResult::Completed);
}

// The program sends the start pair right before it starts a key reader; what
// was typed while no reader ran must not reach the new one.
TEST(FilterControl, StartPairDropsEventsQueuedBeforeIt) {
    for (const std::uint32_t code : {IOCTL_VHIDFLT_PRESTART_1, IOCTL_VHIDFLT_PRESTART_2}) {
        SCOPED_TRACE(code);
        FilterControl control;
        const FilterHandle handle = control.OpenHandle();
        const auto cancel = control.CreateCancelSignal();
        control.Push({{0x07, 0x0004}, true});
        control.Push({{0x07, 0x0004}, false});
        ASSERT_EQ(control.Control(handle, code, nullptr, 0, nullptr, 0, nullptr),
                  ControlResult::Completed);
        cancel->Set();
        EXPECT_EQ(WaitNow(control, handle, cancel.get()).result, ControlResult::Cancelled);
        control.Push({{0x07, 0x0005}, true});
        const Wait wait = WaitNow(control, handle, nullptr);
        EXPECT_EQ(wait.bytes, (Bytes{0x05, 0x00, 0x07, 0x01}));
    }
}

TEST(FilterControl, SetValueLeavesTheQueue) {
    FilterControl control;
    const FilterHandle handle = control.OpenHandle();
    control.Push({{0x07, 0x0004}, true});
    const std::uint8_t zero[4] = {};
    EXPECT_EQ(
        control.Control(handle, IOCTL_VHIDFLT_SET_VALUE, zero, sizeof zero, nullptr, 0, nullptr),
        ControlResult::Completed);
    EXPECT_EQ(WaitNow(control, handle, nullptr).result, ControlResult::Completed);
}

TEST(FilterControl, QueueKeepsTheNewestEvents) {
    FilterControl control;
    const FilterHandle handle = control.OpenHandle();
    const std::size_t pushed = FilterControl::kQueueCapacity + 10;
    std::size_t refused = 0;
    for (std::size_t i = 0; i < pushed; ++i)
        refused += !control.Push({{0x07, static_cast<std::uint16_t>(i)}, true});
    EXPECT_EQ(refused, 10u);
    EXPECT_EQ(WaitNow(control, handle, nullptr).bytes, (Bytes{10, 0x00, 0x07, 0x01}));

    control.ClearEvents();
    const auto cancel = control.CreateCancelSignal();
    cancel->Set();
    EXPECT_EQ(WaitNow(control, handle, cancel.get()).result, ControlResult::Cancelled);
}

} // namespace
} // namespace keywright::platform::lnx
