#include "platform/linux/LinuxNamedLocks.h"

#include "support/Eventually.h"
#include "support/LogCheck.h"
#include "support/TempFolder.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <regex>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace keywright::platform::lnx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using test::TempFolder;

// Whether the thread `tid` of this process is asleep in the kernel (state S
// or D in its stat line, which follows the parenthesised command name).
bool Asleep(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto name = line.rfind(')');
    if (name == std::string::npos || name + 2 >= line.size())
        return false;
    return line[name + 2] == 'S' || line[name + 2] == 'D';
}

// Takes the lock on a thread of its own and tells when it has it; keeps it
// until destroyed.
class Contender {
  public:
    Contender(NamedLocks& locks, const std::string& name)
        : thread_([this, &locks, name] {
              auto lock = locks.Open(name);
              tid_ = ::gettid();
              lock->Lock();
              {
                  std::unique_lock guard(mutex_);
                  acquired_ = true;
                  changed_.notify_all();
                  changed_.wait(guard, [this] { return release_; });
              }
              lock->Unlock();
          }) {}
    ~Contender() {
        {
            std::lock_guard guard(mutex_);
            release_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    bool Acquired() const {
        std::lock_guard guard(mutex_);
        return acquired_;
    }
    bool WaitAcquired(std::chrono::milliseconds limit = 10s) const {
        std::unique_lock guard(mutex_);
        return changed_.wait_for(guard, limit, [this] { return acquired_; });
    }
    // Whether the thread is, within 10 s, asleep in Lock without the lock:
    // it waits for a holder, in this process or through the file. Nothing
    // announces that a thread went to sleep, so this looks (test::Eventually).
    // A thread that can take the lock never gets there.
    bool WaitBlocked() const {
        return test::Eventually([this] { return tid_ != 0 && !Acquired() && Asleep(tid_); });
    }

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool acquired_ = false; // guarded by mutex_
    bool release_ = false;  // guarded by mutex_
    std::atomic<pid_t> tid_{0};
    std::thread thread_; // last: starts once the rest is there
};

TEST(LinuxNamedLocks, LockFileNames) {
    EXPECT_EQ(LinuxNamedLocks::LockFileName("SingleInstance"), "keywright-SingleInstance.lock");
    EXPECT_EQ(LinuxNamedLocks::LockFileName("a.b_c-1"), "keywright-a.b_c-1.lock");
    const std::regex hashed("keywright-HidDevice__Open-[0-9a-f]{8}\\.lock");
    EXPECT_TRUE(std::regex_match(LinuxNamedLocks::LockFileName("HidDevice::Open"), hashed))
        << LinuxNamedLocks::LockFileName("HidDevice::Open");
    // Names that differ only in replaced characters get different files.
    EXPECT_NE(LinuxNamedLocks::LockFileName("a/b"), LinuxNamedLocks::LockFileName("a_b"));
    EXPECT_NE(LinuxNamedLocks::LockFileName("a/b"), LinuxNamedLocks::LockFileName("a:b"));
    const std::string longName(1000, 'x');
    EXPECT_NE(LinuxNamedLocks::LockFileName(longName),
              LinuxNamedLocks::LockFileName(longName + "y"));
    const std::string awkward[] = {
        "../../etc/passwd",        "",      "..", "a\nb", std::string(1000, '/'),
        std::string("nul\0in", 6), longName};
    for (const std::string& name : awkward) {
        const std::string file = LinuxNamedLocks::LockFileName(name);
        SCOPED_TRACE(file);
        EXPECT_EQ(file.find('/'), std::string::npos);
        EXPECT_EQ(file.find('\0'), std::string::npos);
        EXPECT_LE(file.size(), 255u); // NAME_MAX
        EXPECT_TRUE(file.starts_with("keywright-"));
    }
}

TEST(LinuxNamedLocks, CreatesAWorldWritableLockFile) {
    TempFolder folder;
    LinuxNamedLocks locks(folder.Path());
    auto lock = locks.Open("HidDevice::Open");
    const fs::path file = folder.Path() / LinuxNamedLocks::LockFileName("HidDevice::Open");
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0) << file;
    EXPECT_EQ(info.st_mode & 0777, 0666u);
    lock->Lock();
    lock->Unlock();
}

TEST(LinuxNamedLocks, RecursiveForTheOwningThread) {
    TempFolder folder;
    LinuxNamedLocks locks(folder.Path());
    auto lock = locks.Open("HidDevice::Open");
    auto sameName = locks.Open("HidDevice::Open");
    lock->Lock();
    lock->Lock();
    sameName->Lock(); // another object under the same name: still this thread's lock
    {
        Contender other(locks, "HidDevice::Open");
        EXPECT_TRUE(other.WaitBlocked());
        lock->Unlock();
        sameName->Unlock();
        // Released, it would be woken and take the lock, never to wait again.
        EXPECT_TRUE(other.WaitBlocked()) << "released before the last Unlock";
        EXPECT_FALSE(other.Acquired());
        lock->Unlock();
        EXPECT_TRUE(other.WaitAcquired());
    }
}

TEST(LinuxNamedLocks, SecondThreadWaitsForTheFirst) {
    TempFolder folder;
    LinuxNamedLocks locks(folder.Path());
    auto lock = locks.Open("SingleInstance");
    lock->Lock();
    Contender other(locks, "SingleInstance");
    Contender otherName(locks, "AnotherName");
    EXPECT_TRUE(otherName.WaitAcquired()) << "an unrelated name was blocked";
    EXPECT_TRUE(other.WaitBlocked());
    EXPECT_FALSE(other.Acquired());
    lock->Unlock();
    EXPECT_TRUE(other.WaitAcquired());
}

// Two instances in one process share no in-process state, so only the lock
// file keeps them apart: the same path another process would take.
TEST(LinuxNamedLocks, SeparateInstancesExcludeEachOtherThroughTheFile) {
    TempFolder folder;
    LinuxNamedLocks first(folder.Path());
    LinuxNamedLocks second(folder.Path());
    auto lock = first.Open("HidDevice::Open");
    lock->Lock();
    Contender other(second, "HidDevice::Open");
    EXPECT_TRUE(other.WaitBlocked());
    EXPECT_FALSE(other.Acquired());
    lock->Unlock();
    EXPECT_TRUE(other.WaitAcquired());
}

// TryLock never waits: it fails while another thread of this process or
// another instance (the file lock, as another process) holds the name, is
// recursive for the owner, and succeeds again once the holder lets go.
TEST(LinuxNamedLocks, TryLockTakesOnlyAFreeLock) {
    TempFolder folder;
    LinuxNamedLocks first(folder.Path());
    LinuxNamedLocks second(folder.Path());
    auto lock = first.Open("Keywright key engine");
    ASSERT_TRUE(lock->TryLock());
    EXPECT_TRUE(lock->TryLock()) << "not recursive for the owning thread";

    auto otherInstance = second.Open("Keywright key engine");
    EXPECT_FALSE(otherInstance->TryLock()) << "the file lock did not hold";
    bool otherThread = true;
    std::thread([&] { otherThread = first.Open("Keywright key engine")->TryLock(); }).join();
    EXPECT_FALSE(otherThread);

    lock->Unlock();
    EXPECT_FALSE(otherInstance->TryLock()) << "released before the last Unlock";
    lock->Unlock();
    ASSERT_TRUE(otherInstance->TryLock());
    EXPECT_FALSE(lock->TryLock());
    otherInstance->Unlock();
}

// Without a usable folder the lock still serialises this process's threads.
TEST(LinuxNamedLocks, WorksInProcessWhenTheFileCannotBeOpened) {
    test::ExpectLog noFile("holds only within this process");
    LinuxNamedLocks locks("/nonexistent/keywright-test-folder");
    auto lock = locks.Open("HidDevice::Open");
    ASSERT_NE(lock, nullptr);
    lock->Lock();
    Contender other(locks, "HidDevice::Open");
    EXPECT_TRUE(other.WaitBlocked());
    EXPECT_FALSE(other.Acquired());
    lock->Unlock();
    EXPECT_TRUE(other.WaitAcquired());
}

enum class ChildEnd { Exits, IsKilled };

// A child process takes the lock and ends without unlocking; the parent's
// Lock waits until then.
TEST(LinuxNamedLocks, ProcessEndReleasesTheLock) {
    for (const ChildEnd end : {ChildEnd::Exits, ChildEnd::IsKilled}) {
        SCOPED_TRACE(end == ChildEnd::Exits ? "child exits" : "child is killed");
        TempFolder folder;
        int ready[2];
        int finish[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(finish), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            ::close(finish[1]);
            LinuxNamedLocks locks(folder.Path());
            auto lock = locks.Open("HidDevice::Open");
            lock->Lock();
            char byte = 'r';
            if (::write(ready[1], &byte, 1) != 1)
                ::_exit(2);
            // Exits when the parent writes or closes `finish` (or kills us).
            [[maybe_unused]] const ssize_t n = ::read(finish[0], &byte, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(finish[0]);
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the child did not get the lock";
        ::close(ready[0]);

        LinuxNamedLocks locks(folder.Path());
        {
            Contender parent(locks, "HidDevice::Open");
            EXPECT_TRUE(parent.WaitBlocked()) << "the child's lock did not hold";
            EXPECT_FALSE(parent.Acquired());
            if (end == ChildEnd::Exits)
                ::close(finish[1]);
            else
                ::kill(child, SIGKILL);
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            if (end == ChildEnd::Exits)
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            else
                EXPECT_TRUE(WIFSIGNALED(status));
            EXPECT_TRUE(parent.WaitAcquired());
        }
        if (end == ChildEnd::IsKilled)
            ::close(finish[1]);
    }
}

} // namespace
} // namespace keywright::platform::lnx
