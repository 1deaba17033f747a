#include "threads/ThreadRunable.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace keywright {
namespace {

struct Receiver {
    std::int32_t first = 0;
    std::int32_t second = 0;
    std::vector<std::uint8_t> bytes;
    int calls = 0;

    int Take(std::int32_t a, std::int32_t b, const std::uint8_t* data, std::size_t length) {
        ++calls;
        first = a;
        second = b;
        bytes.assign(data, data + length);
        return 7;
    }
};

TEST(ThreadRunableTest, CanRunOnlyWithObjectAndMember) {
    Receiver receiver;
    EXPECT_TRUE(ThreadRunable<Receiver>(&receiver, &Receiver::Take).CanRun());
    EXPECT_FALSE(ThreadRunable<Receiver>(nullptr, &Receiver::Take).CanRun());
    EXPECT_FALSE(ThreadRunable<Receiver>(&receiver, nullptr).CanRun());
    EXPECT_FALSE(ThreadRunable<Receiver>().CanRun());

    ThreadRunable<Receiver> unbound;
    EXPECT_EQ(unbound.Run(1, 2, nullptr, 0), 0);
}

TEST(ThreadRunableTest, CloneCopiesEveryFieldAndOwnsItsBuffer) {
    Receiver receiver;
    ThreadRunable<Receiver> task(&receiver, &Receiver::Take);
    task.firstArg = 5;
    task.secondArg = -9;
    task.data = {1, 2, 3};
    task.interval = 250;
    task.runs = -1;
    task.holdQueue = true;
    task.startTick = 12345;

    const std::unique_ptr<BaseRunable> copy = task.Clone();
    task.data[0] = 99;
    task.data.push_back(4);

    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->firstArg, 5);
    EXPECT_EQ(copy->secondArg, -9);
    EXPECT_EQ(copy->data, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(copy->interval, 250u);
    EXPECT_EQ(copy->runs, -1);
    EXPECT_TRUE(copy->holdQueue);
    EXPECT_EQ(copy->startTick, 12345u);
    ASSERT_TRUE(copy->CanRun());

    EXPECT_EQ(copy->Run(copy->firstArg, copy->secondArg, copy->data.data(), copy->data.size()), 7);
    EXPECT_EQ(receiver.calls, 1);
    EXPECT_EQ(receiver.bytes, (std::vector<std::uint8_t>{1, 2, 3}));
}

} // namespace
} // namespace keywright
