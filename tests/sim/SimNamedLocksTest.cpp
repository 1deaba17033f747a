#include "platform/sim/SimNamedLocks.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace keywright::sim {
namespace {

using namespace std::chrono_literals;

// Long enough for a thread to get going on a loaded machine; only waited
// out when a test fails.
constexpr auto kPatience = 10s;

// A thread of its own that takes "keyboard" through a fresh opening, counts
// itself in `taken` and lets go.
std::thread Take(SimNamedLocks& locks, std::atomic<int>& taken) {
    return std::thread([&] {
        const auto mine = locks.Open("keyboard");
        mine->Lock();
        ++taken;
        mine->Unlock();
    });
}

TEST(SimNamedLocks, LetTheOwnerTakeTheLockAgainThroughAnyOpening) {
    SimNamedLocks locks;
    const auto first = locks.Open("keyboard");
    const auto second = locks.Open("keyboard");
    first->Lock();
    second->Lock(); // would hang if not recursive across openings

    std::atomic<int> taken{0};
    std::thread other = Take(locks, taken);
    EXPECT_TRUE(locks.WaitForWaiters("keyboard", 1, kPatience));
    EXPECT_EQ(taken, 0);
    second->Unlock();
    // Released once, taken twice: still owned, so a newcomer waits beside
    // the first (were it free, one of them would hold it and the other
    // wait alone).
    std::thread newcomer = Take(locks, taken);
    EXPECT_TRUE(locks.WaitForWaiters("keyboard", 2, kPatience))
        << "released once, taken twice: still owned";
    EXPECT_EQ(taken, 0);
    first->Unlock();
    other.join();
    newcomer.join();
    EXPECT_EQ(taken, 2);
}

TEST(SimNamedLocks, IgnoreAnUnlockFromAThreadThatDoesNotOwnTheLock) {
    SimNamedLocks locks;
    const auto lock = locks.Open("keyboard");
    lock->Lock();
    std::thread([&] { locks.Open("keyboard")->Unlock(); }).join();

    std::atomic<int> taken{0};
    std::thread other = Take(locks, taken);
    EXPECT_TRUE(locks.WaitForWaiters("keyboard", 1, kPatience)) << "still held: the other waits";
    EXPECT_EQ(taken, 0);
    lock->Unlock();
    other.join();
    EXPECT_EQ(taken, 1);
}

TEST(SimNamedLocks, SerialiseThreadsUnderOneName) {
    SimNamedLocks locks;
    int inside = 0; // guarded by the named lock alone
    int most = 0;
    int rounds = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            const auto lock = locks.Open("Global\\keywright");
            for (int i = 0; i < 200; ++i) {
                lock->Lock();
                lock->Lock();
                most = std::max(most, ++inside);
                ++rounds;
                --inside;
                lock->Unlock();
                lock->Unlock();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(most, 1);
    EXPECT_EQ(rounds, 800);
}

TEST(SimNamedLocks, TryLockFailsOnlyWhileAnotherThreadHoldsTheName) {
    SimNamedLocks locks;
    const auto mine = locks.Open("keyboard");
    ASSERT_TRUE(mine->TryLock());
    EXPECT_TRUE(locks.Open("keyboard")->TryLock()) << "not recursive for the owner";
    const auto tryFromAnotherThread = [&] {
        bool taken = false;
        std::thread([&] {
            const auto theirs = locks.Open("keyboard");
            taken = theirs->TryLock();
            if (taken)
                theirs->Unlock();
        }).join();
        return taken;
    };
    EXPECT_FALSE(tryFromAnotherThread());
    mine->Unlock();
    EXPECT_FALSE(tryFromAnotherThread()) << "released before the last Unlock";
    mine->Unlock();
    EXPECT_TRUE(tryFromAnotherThread());
}

TEST(SimNamedLocks, KeepDifferentNamesApart) {
    SimNamedLocks locks;
    const auto held = locks.Open("keyboard");
    held->Lock();
    std::atomic<bool> taken{false};
    std::thread other([&] {
        for (const char* name : {"Keyboard", "keyboard2"}) { // names are case-sensitive
            const auto lock = locks.Open(name);
            lock->Lock();
            lock->Unlock();
        }
        taken = true;
    });
    other.join(); // would hang if the names shared a lock
    EXPECT_TRUE(taken);
    held->Unlock();
}

} // namespace
} // namespace keywright::sim
