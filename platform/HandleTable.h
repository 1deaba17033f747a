#pragma once

#include "platform/HidService.h"

#include <map>
#include <memory>
#include <mutex>

namespace keywright::platform {

// Small integer handles for shared objects. Values count up from 1 and are
// never handed out twice in the life of the table, so a stale handle (one
// already closed) can only miss, never reach another object. Find gives the
// caller its own reference: an object removed while a caller still uses it
// lives until that caller lets go. Thread-safe.
template <typename T>
class HandleTable {
  public:
    HidHandle Insert(std::shared_ptr<T> object) {
        std::lock_guard lock(mutex_);
        const HidHandle handle = next_++;
        objects_.emplace(handle, std::move(object));
        return handle;
    }

    // Null for kNoHid, kInvalidHid and every handle not (or no longer) in the table.
    std::shared_ptr<T> Find(HidHandle handle) const {
        std::lock_guard lock(mutex_);
        const auto it = objects_.find(handle);
        return it == objects_.end() ? nullptr : it->second;
    }

    // Takes the object out of the table; null when it was not there.
    std::shared_ptr<T> Remove(HidHandle handle) {
        std::lock_guard lock(mutex_);
        const auto it = objects_.find(handle);
        if (it == objects_.end())
            return nullptr;
        std::shared_ptr<T> object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

  private:
    mutable std::mutex mutex_;
    // With 64-bit handles, wrapping to kInvalidHid or back to 0 would take
    // centuries of opens at any rate a program reaches.
    HidHandle next_ = 1;
    std::map<HidHandle, std::shared_ptr<T>> objects_;
};

} // namespace keywright::platform
