#pragma once

#include "base/Trace.h"
#include "support/ClockScript.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace keywright::test {

// One key event as a listener heard it.
struct Heard {
    std::string who;
    int page = 0;
    int usage = 0;
    int down = 0;

    friend bool operator==(const Heard&, const Heard&) = default;
};

// What every listener heard, in order; tests wait on it instead of sleeping.
class Ear {
  public:
    void Record(Heard heard) {
        {
            std::lock_guard lock(mutex_);
            heard_.push_back(std::move(heard));
        }
        changed_.notify_all();
    }
    std::vector<Heard> All() const {
        std::lock_guard lock(mutex_);
        return heard_;
    }
    std::size_t Count() const {
        std::lock_guard lock(mutex_);
        return heard_.size();
    }
    bool WaitForCount(std::size_t count) const {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kPatience, [&] { return heard_.size() >= count; });
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        heard_.clear();
    }

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Heard> heard_;
};

// A key monitor listener with two members that can be bound.
struct Listener {
    Listener(std::string listenerName, Ear& listenerEar, int listenerResult = 0)
        : name(std::move(listenerName)), ear(listenerEar), result(listenerResult) {}

    int OnKey(int page, int usage, int down) {
        ear.Record({name, page, usage, down});
        return result;
    }
    int OnKeyAgain(int page, int usage, int down) {
        ear.Record({name + " again", page, usage, down});
        return result;
    }

    std::string name;
    Ear& ear;
    int result;
};

// Trace lines, captured whole.
class TraceLog {
  public:
    Trace Sink() {
        return [this](std::string_view line) {
            std::lock_guard lock(mutex_);
            lines_.emplace_back(line);
        };
    }
    std::vector<std::string> Lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// A packet as the test writes it down: the leading bytes, zeros to 64.
inline std::vector<std::uint8_t> Packet(std::initializer_list<std::uint8_t> head) {
    std::vector<std::uint8_t> packet(head);
    packet.resize(64, 0);
    return packet;
}

} // namespace keywright::test
