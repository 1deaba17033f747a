#pragma once

namespace keywright::HidUsbFilter {

// A listener of the key monitor. OnKey runs on the key reader thread, with
// the monitor's listenerLock held: it must not subscribe or unsubscribe.
class IMonitorProxy {
  public:
    virtual ~IMonitorProxy() = default;
    // page 0-255, usage 0-65535, down 1 (pressed) or 0 (released). A
    // non-zero result ends the dispatch of this event: listeners subscribed
    // before this one do not see it.
    virtual int OnKey(int page, int usage, int down) = 0;
};

// Binds a member function of T as a listener. The pointer to member carries
// whatever this-adjustment T's layout needs, so (target, method) is the whole
// binding. A proxy without target or method ignores events and returns 0.
template <class T>
class MonitorProxy final : public IMonitorProxy {
  public:
    using Method = int (T::*)(int page, int usage, int down);

    MonitorProxy(T* target, Method method) : target_(target), method_(method) {}

    int OnKey(int page, int usage, int down) override {
        if (target_ == nullptr || method_ == nullptr)
            return 0;
        return (target_->*method_)(page, usage, down);
    }

    bool Binds(const T* target, Method method) const {
        return target_ == target && method_ == method;
    }

  private:
    T* target_;
    Method method_;
};

} // namespace keywright::HidUsbFilter
