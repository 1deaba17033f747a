#pragma once

#include <memory>
#include <mutex>

namespace keywright {

// The onStart, onRun and onEnd callbacks of a worker thread, installed by the
// owner while the worker may be calling them. The owner installs them under
// SetupLock(); the setters take it too, so holding it is only needed to
// install several as one change. The worker takes a callback with its getter
// before each call and so picks up a replacement at its next call; one being
// called when it is replaced stays alive until that call returns.
template <class Callback>
class CallbackSlots {
  public:
    std::recursive_mutex& SetupLock() { return lock_; }

    void SetOnStart(std::unique_ptr<Callback> callback) { Set(onStart_, std::move(callback)); }
    void SetOnRun(std::unique_ptr<Callback> callback) { Set(onRun_, std::move(callback)); }
    void SetOnEnd(std::unique_ptr<Callback> callback) { Set(onEnd_, std::move(callback)); }

    std::shared_ptr<Callback> OnStart() { return Get(onStart_); }
    std::shared_ptr<Callback> OnRun() { return Get(onRun_); }
    std::shared_ptr<Callback> OnEnd() { return Get(onEnd_); }

  private:
    void Set(std::shared_ptr<Callback>& slot, std::unique_ptr<Callback> callback) {
        std::lock_guard<std::recursive_mutex> setup(lock_);
        slot = std::move(callback);
    }
    std::shared_ptr<Callback> Get(const std::shared_ptr<Callback>& slot) {
        std::lock_guard<std::recursive_mutex> setup(lock_);
        return slot;
    }

    std::recursive_mutex lock_;
    std::shared_ptr<Callback> onStart_;
    std::shared_ptr<Callback> onRun_;
    std::shared_ptr<Callback> onEnd_;
};

} // namespace keywright
