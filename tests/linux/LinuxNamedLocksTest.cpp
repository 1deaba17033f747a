#include "platform/linux/LinuxNamedLocks.h"

#include "support/LogCheck.h"
#include "support/TempFolder.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
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

// Long enough for a waiting thread to have got the lock if it could.
constexpr auto kSettle = 150ms;

using test::TempFolder;

// Takes the lock on a thread of its own and tells when it has it.
class Contender {
  public:
    Contender(NamedLocks& locks, const std::string& name)
        : thread_([this, &locks, name] {
              auto lock = locks.Open(name);
              lock->Lock();
              acquired_ = true;
              while (!release_)
                  std::this_thread::sleep_for(1ms);
              lock->Unlock();
          }) {}
    ~Contender() {
        release_ = true;
        thread_.join();
    }
    bool Acquired() const { return acquired_; }
    bool WaitAcquired(std::chrono::milliseconds limit = 10s) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!acquired_ && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        return acquired_;
    }

  private:
    std::atomic<bool> acquired_{false};
    std::atomic<bool> release_{false};
    std::thread thread_;
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
        lock->Unlock();
        sameName->Unlock();
        std::this_thread::sleep_for(kSettle);
        EXPECT_FALSE(other.Acquired()) << "released before the last Unlock";
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
    std::this_thread::sleep_for(kSettle);
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
    std::this_thread::sleep_for(kSettle);
    EXPECT_FALSE(other.Acquired());
    lock->Unlock();
    EXPECT_TRUE(other.WaitAcquired());
}

// Without a usable folder the lock still serialises this process's threads.
TEST(LinuxNamedLocks, WorksInProcessWhenTheFileCannotBeOpened) {
    test::ExpectLog noFile("holds only within this process");
    LinuxNamedLocks locks("/nonexistent/keywright-test-folder");
    auto lock = locks.Open("HidDevice::Open");
    ASSERT_NE(lock, nullptr);
    lock->Lock();
    Contender other(locks, "HidDevice::Open");
    std::this_thread::sleep_for(kSettle);
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
            std::this_thread::sleep_for(kSettle);
            EXPECT_FALSE(parent.Acquired()) << "the child's lock did not hold";
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
