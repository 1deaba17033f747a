#pragma once

#include "engine/FilterChannel.h"
#include "platform/FilterService.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace keywright::test {

// A filter control device that answers key waits with raw event records the
// test queues (any flag byte, unlike a real key), and watches the order of
// the requests: a start pair sent while a key wait is outstanding means a
// reader was running.
class FakeFilter : public platform::FilterService {
  public:
    struct Opened {
        std::string name;
        std::uint32_t access = 0;
        std::uint32_t share = 0;
    };
    struct Request {
        std::uint32_t code = 0;
        std::vector<std::uint8_t> input;
    };

    std::unique_ptr<platform::CancelSignal> CreateCancelSignal() override {
        return std::make_unique<Signal>(*this);
    }

    platform::FilterHandle Open(const std::string& name, std::uint32_t access,
                                std::uint32_t share) override {
        std::lock_guard lock(mutex_);
        opened_.push_back({name, access, share});
        open_.push_back(nextHandle_);
        return nextHandle_++;
    }

    void Close(platform::FilterHandle handle) override {
        std::lock_guard lock(mutex_);
        std::erase(open_, handle);
        changed_.notify_all();
    }

    platform::ControlResult Control(platform::FilterHandle handle, std::uint32_t code,
                                    const std::uint8_t* input, std::size_t inputLength,
                                    std::uint8_t* output, std::size_t outputLength,
                                    platform::CancelSignal* cancel) override {
        std::unique_lock lock(mutex_);
        if (!IsOpenLocked(handle))
            return platform::ControlResult::Failed;
        requests_.push_back({code, std::vector<std::uint8_t>(input, input + inputLength)});
        if ((code == IOCTL_VHIDFLT_PRESTART_1 || code == IOCTL_VHIDFLT_PRESTART_2) &&
            outstandingWaits_ != 0)
            ++prestartsWhileReading_;
        changed_.notify_all();
        if (code != IOCTL_VHIDFLT_WAIT_KEY)
            return platform::ControlResult::Completed;
        if (outputLength < 4)
            return platform::ControlResult::Failed;

        auto* signal = static_cast<Signal*>(cancel);
        ++outstandingWaits_;
        changed_.wait(lock, [&] {
            return !events_.empty() || (signal != nullptr && signal->set) || !IsOpenLocked(handle);
        });
        --outstandingWaits_;
        changed_.notify_all();
        if (!events_.empty()) {
            std::copy(events_.front().begin(), events_.front().end(), output);
            events_.pop_front();
            return platform::ControlResult::Completed;
        }
        if (signal != nullptr && signal->set) {
            signal->set = false; // auto-reset: the wait used it up
            return platform::ControlResult::Cancelled;
        }
        return platform::ControlResult::Failed;
    }

    void Queue(std::array<std::uint8_t, 4> event) {
        std::lock_guard lock(mutex_);
        events_.push_back(event);
        changed_.notify_all();
    }

    // Waits until a key wait is outstanding and every queued event is taken.
    bool WaitForKeyWait(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout,
                                 [&] { return outstandingWaits_ != 0 && events_.empty(); });
    }

    std::vector<Request> Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }
    std::vector<Opened> Opens() {
        std::lock_guard lock(mutex_);
        return opened_;
    }
    int PrestartsWhileReading() {
        std::lock_guard lock(mutex_);
        return prestartsWhileReading_;
    }
    std::size_t OpenHandles() {
        std::lock_guard lock(mutex_);
        return open_.size();
    }

  private:
    class Signal : public platform::CancelSignal {
      public:
        explicit Signal(FakeFilter& owner) : owner_(owner) {}
        void Set() override {
            std::lock_guard lock(owner_.mutex_);
            set = true;
            owner_.changed_.notify_all();
        }
        void Reset() override {
            std::lock_guard lock(owner_.mutex_);
            set = false;
        }
        bool set = false; // guarded by the owner's mutex

      private:
        FakeFilter& owner_;
    };

    bool IsOpenLocked(platform::FilterHandle handle) const {
        return std::find(open_.begin(), open_.end(), handle) != open_.end();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<platform::FilterHandle> open_;
    platform::FilterHandle nextHandle_ = 0x10;
    std::vector<Opened> opened_;
    std::vector<Request> requests_;
    std::deque<std::array<std::uint8_t, 4>> events_;
    int outstandingWaits_ = 0;
    int prestartsWhileReading_ = 0;
};

} // namespace keywright::test
