#include "platform/HandleTable.h"

#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <vector>

namespace keywright::platform {
namespace {

struct Tracked {
    explicit Tracked(std::atomic<int>& counter) : alive(counter) { ++alive; }
    ~Tracked() { --alive; }
    std::atomic<int>& alive;
};

TEST(HandleTable, HandlesAreNeverReusedAndStaleOnesMiss) {
    HandleTable<int> table;
    std::set<HidHandle> seen;
    for (int i = 0; i < 100; ++i) {
        const HidHandle handle = table.Insert(std::make_shared<int>(i));
        EXPECT_TRUE(IsOpenHandle(handle));
        EXPECT_TRUE(seen.insert(handle).second) << "handle " << handle << " handed out twice";
        ASSERT_NE(table.Remove(handle), nullptr);
        EXPECT_EQ(table.Find(handle), nullptr);
        EXPECT_EQ(table.Remove(handle), nullptr);
    }
    EXPECT_EQ(table.Find(kNoHid), nullptr);
    EXPECT_EQ(table.Find(kInvalidHid), nullptr);
}

TEST(HandleTable, RemovedObjectLivesWhileAUserHoldsIt) {
    std::atomic<int> alive{0};
    HandleTable<Tracked> table;
    const HidHandle handle = table.Insert(std::make_shared<Tracked>(alive));
    std::shared_ptr<Tracked> user = table.Find(handle);
    table.Remove(handle);
    EXPECT_EQ(alive, 1);
    user.reset();
    EXPECT_EQ(alive, 0);
}

// Closing while other threads look handles up: run under the thread
// sanitizer, this catches unguarded table access.
TEST(HandleTable, ConcurrentUseAndRemoval) {
    std::atomic<int> alive{0};
    HandleTable<Tracked> table;
    std::vector<HidHandle> handles;
    for (int i = 0; i < 200; ++i)
        handles.push_back(table.Insert(std::make_shared<Tracked>(alive)));
    std::atomic<bool> go{false};
    std::thread users([&] {
        while (!go) {
        }
        for (int round = 0; round < 20; ++round)
            for (const HidHandle handle : handles) {
                if (auto object = table.Find(handle)) {
                    EXPECT_GT(object->alive.load(), 0);
                }
            }
    });
    go = true;
    for (const HidHandle handle : handles)
        table.Remove(handle);
    users.join();
    EXPECT_EQ(alive, 0);
}

} // namespace
} // namespace keywright::platform
