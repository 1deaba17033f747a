#include "platform/sim/SimNamedLocks.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace keywright::sim {
namespace {

using namespace std::chrono_literals;

// Gives another thread time to get somewhere it should not. A slow machine
// can only make the checks below pass wrongly, never fail wrongly.
void Pause() {
    std::this_thread::sleep_for(20ms);
}

TEST(SimNamedLocks, LetTheOwnerTakeTheLockAgainThroughAnyOpening) {
    SimNamedLocks locks;
    const auto first = locks.Open("keyboard");
    const auto second = locks.Open("keyboard");
    first->Lock();
    second->Lock(); // would hang if not recursive across openings

    std::atomic<bool> taken{false};
    std::thread other([&] {
        const auto mine = locks.Open("keyboard");
        mine->Lock();
        taken = true;
        mine->Unlock();
    });
    Pause();
    EXPECT_FALSE(taken);
    second->Unlock();
    Pause();
    EXPECT_FALSE(taken) << "released once, taken twice: still owned";
    first->Unlock();
    other.join();
    EXPECT_TRUE(taken);
}

TEST(SimNamedLocks, IgnoreAnUnlockFromAThreadThatDoesNotOwnTheLock) {
    SimNamedLocks locks;
    const auto lock = locks.Open("keyboard");
    lock->Lock();
    std::thread([&] { locks.Open("keyboard")->Unlock(); }).join();

    std::atomic<bool> taken{false};
    std::thread other([&] {
        const auto mine = locks.Open("keyboard");
        mine->Lock();
        taken = true;
        mine->Unlock();
    });
    Pause();
    EXPECT_FALSE(taken);
    lock->Unlock();
    other.join();
    EXPECT_TRUE(taken);
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
