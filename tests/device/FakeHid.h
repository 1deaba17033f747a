#pragma once

#include "platform/HidService.h"
#include "platform/NamedLocks.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace keywright::test {

// A HID service that does what the test says and records what it was asked.
class FakeHid : public platform::HidService {
  public:
    struct Call {
        std::string what; // "open", "close", "set", "get", "write", "attributes", "caps"
        std::string path; // open only
        std::uint32_t access = 0;
        platform::HidHandle handle = 0;
        std::vector<std::uint8_t> bytes;
    };

    std::vector<platform::HidInterfaceEntry> entries;
    std::map<std::string, platform::HidCaps> caps; // paths that open, with their caps
    platform::HidWriteResult writeResult{platform::HidWriteResult::Start::Completed, 0, false, 8};
    bool transfersSucceed = true;
    std::function<void()> duringSetFeature; // runs inside SetFeature

    std::vector<Call> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    size_t Count(const std::string& what) {
        size_t n = 0;
        for (const Call& call : Calls())
            n += call.what == what;
        return n;
    }

    std::vector<platform::HidInterfaceEntry> ListInterfaces() override { return entries; }

    platform::HidOpenResult Open(const std::string& path, std::uint32_t access, std::uint32_t,
                                 bool) override {
        std::lock_guard lock(mutex_);
        calls_.push_back({"open", path, access, 0, {}});
        const auto found = caps.find(path);
        if (found == caps.end())
            return {platform::kInvalidHid, platform::HidOpenError::NotFound, "no such device"};
        const platform::HidHandle handle = nextHandle_++;
        open_[handle] = found->second;
        return {handle, platform::HidOpenError::None, {}};
    }
    void Close(platform::HidHandle handle) override {
        std::lock_guard lock(mutex_);
        calls_.push_back({"close", {}, 0, handle, {}});
        open_.erase(handle);
    }
    bool GetAttributes(platform::HidHandle handle, platform::HidAttributes& attributes) override {
        std::lock_guard lock(mutex_);
        attributes = {0x1A2C, 0x9FF6, 0x0102};
        return open_.count(handle) != 0;
    }
    bool GetCaps(platform::HidHandle handle, platform::HidCaps& out) override {
        std::lock_guard lock(mutex_);
        const auto found = open_.find(handle);
        if (found == open_.end())
            return false;
        out = found->second;
        return true;
    }
    bool SetFeature(platform::HidHandle handle, const std::uint8_t* report,
                    std::size_t length) override {
        Record("set", handle, report, length);
        if (duringSetFeature)
            duringSetFeature();
        return transfersSucceed;
    }
    bool GetFeature(platform::HidHandle handle, std::uint8_t* report, std::size_t length) override {
        Record("get", handle, report, length);
        if (transfersSucceed && report[0] == 7) {
            report[1] = 1;
            report[2] = 2;
        }
        return transfersSucceed;
    }
    platform::HidWriteResult Write(platform::HidHandle handle, const std::uint8_t* report,
                                   std::size_t length, std::uint32_t) override {
        Record("write", handle, report, length);
        return writeResult;
    }

  private:
    void Record(const char* what, platform::HidHandle handle, const std::uint8_t* bytes,
                std::size_t length) {
        std::lock_guard lock(mutex_);
        calls_.push_back({what, {}, 0, handle, std::vector<std::uint8_t>(bytes, bytes + length)});
    }

    std::mutex mutex_;
    std::vector<Call> calls_;
    std::map<platform::HidHandle, platform::HidCaps> open_;
    platform::HidHandle nextHandle_ = 0x40;
};

// Process-local named locks: a recursive mutex per name. Tells the test when
// a thread waits for a lock another thread holds.
class FakeLocks : public platform::NamedLocks {
  public:
    std::unique_ptr<platform::NamedLock> Open(const std::string& name) override {
        std::lock_guard lock(mutex_);
        return std::make_unique<Held>(*this, name, mutexes_[name]);
    }

    // Blocks until a thread waits for `name`; false if that did not happen
    // within `patience`.
    bool WaitForBlocked(const std::string& name,
                        std::chrono::milliseconds patience = std::chrono::seconds(10)) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, patience, [&] { return blocked_[name] > 0; });
    }

  private:
    struct Held : platform::NamedLock {
        Held(FakeLocks& o, std::string n, std::recursive_mutex& m)
            : owner(o), name(std::move(n)), mutex(m) {}
        void Lock() override {
            if (mutex.try_lock())
                return;
            owner.Blocked(name, +1);
            mutex.lock();
            owner.Blocked(name, -1);
        }
        bool TryLock() override { return mutex.try_lock(); }
        void Unlock() override { mutex.unlock(); }
        FakeLocks& owner;
        std::string name;
        std::recursive_mutex& mutex;
    };

    void Blocked(const std::string& name, int change) {
        {
            std::lock_guard lock(mutex_);
            blocked_[name] += change;
        }
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<std::string, std::recursive_mutex> mutexes_;
    std::map<std::string, int> blocked_; // threads waiting for each name
};

} // namespace keywright::test
