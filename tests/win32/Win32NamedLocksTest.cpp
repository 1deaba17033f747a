#include "platform/win32/Win32NamedLocks.h"

#include "Win32TestSupport.h"

#include <future>

namespace keywright {
namespace {

using platform::win32::ToWide;
using platform::win32::Win32NamedLocks;
using test::RunChild;
using test::StartChild;
using test::UniqueName;
using test::Win32Handle;

// The lock is the thread's, whichever lock object of the name it goes
// through, as the discovery code relies on when it opens under the open lock.
TEST(Win32NamedLocks, RecursiveForTheOwningThreadAcrossLockObjects) {
    Win32NamedLocks locks;
    const std::string name = UniqueName("recursive");
    auto outer = locks.Open(name);
    auto inner = locks.Open(name);
    outer->Lock();
    inner->Lock();
    inner->Unlock();
    // Still held by this thread: another process cannot take it.
    EXPECT_EQ(RunChild(L"try " + ToWide(name)), 0);
    outer->Unlock();
    EXPECT_EQ(RunChild(L"try " + ToWide(name)), 1);
}

// Names with a backslash (reserved by Windows for the namespace) still give
// a working lock, and without a log line.
TEST(Win32NamedLocks, ABackslashInTheNameStillGivesALock) {
    Win32NamedLocks locks;
    const std::string name = UniqueName("a\\b");
    auto lock = locks.Open(name);
    lock->Lock();
    EXPECT_EQ(RunChild(L"try " + ToWide(name)), 0);
    lock->Unlock();
}

// Another process that holds the lock keeps this one waiting; when it ends
// without unlocking, the lock passes here.
TEST(Win32NamedLocks, AnotherProcessHoldsTheLockUntilItEnds) {
    const std::string name = UniqueName("across");
    const std::wstring held = ToWide(UniqueName("held"));
    const std::wstring release = ToWide(UniqueName("release"));
    const Win32Handle heldEvent(CreateEventW(nullptr, TRUE, FALSE, held.c_str()));
    const Win32Handle releaseEvent(CreateEventW(nullptr, TRUE, FALSE, release.c_str()));
    ASSERT_TRUE(heldEvent && releaseEvent);

    const Win32Handle child = StartChild(L"hold " + ToWide(name) + L" " + held + L" " + release);
    ASSERT_TRUE(child);
    const HANDLE started[] = {heldEvent.Get(), child.Get()};
    ASSERT_EQ(WaitForMultipleObjects(2, started, FALSE, INFINITE), WAIT_OBJECT_0)
        << "the child ended before it held the lock";

    Win32NamedLocks locks;
    auto lock = locks.Open(name);
    std::promise<void> locked;
    std::future<void> gotIt = locked.get_future();
    std::thread waiter([&] {
        lock->Lock();
        locked.set_value();
        lock->Unlock();
    });
    // The child still holds it: nobody else can take it now.
    EXPECT_EQ(RunChild(L"try " + ToWide(name)), 0);
    SetEvent(releaseEvent.Get());
    gotIt.wait();
    waiter.join();
    WaitForSingleObject(child.Get(), INFINITE);
    EXPECT_EQ(RunChild(L"try " + ToWide(name)), 1);
}

// TryLock never waits: it fails while another thread or process holds the
// name, is recursive for the owner, and takes a lock whose owner ended
// without letting go.
TEST(Win32NamedLocks, TryLockTakesOnlyAFreeLock) {
    Win32NamedLocks locks;
    const std::string name = UniqueName("try");
    auto lock = locks.Open(name);
    ASSERT_TRUE(lock->TryLock());
    EXPECT_TRUE(lock->TryLock()) << "not recursive for the owning thread";
    bool otherThread = true;
    std::thread([&] { otherThread = locks.Open(name)->TryLock(); }).join();
    EXPECT_FALSE(otherThread);
    EXPECT_EQ(RunChild(L"try " + ToWide(name)), 0);
    lock->Unlock();
    lock->Unlock();
    EXPECT_EQ(RunChild(L"try " + ToWide(name)), 1);

    // The thread that took it ended holding it: the mutex is abandoned, and ours.
    std::thread([&] { EXPECT_TRUE(locks.Open(name)->TryLock()); }).join();
    EXPECT_TRUE(lock->TryLock());
    lock->Unlock();
}

} // namespace
} // namespace keywright
