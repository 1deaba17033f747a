#pragma once

#include "base/Clock.h"
#include "engine/FilterChannel.h"
#include "engine/FilterRecords.h"
#include "engine/MonitorProxy.h"
#include "platform/FilterService.h"
#include "settings/RecordStore.h"
#include "threads/RestartableWorker.h"
#include "threads/StopEvent.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace keywright::HidUsbFilter {

// The keyboard filter's key events, handed to listeners; and the key table
// that tells the filter which keys carry an assignment.
//
// Owns the control channel (opened separately, through Channel().Open()) and
// a reader thread that keeps one IOCTL_VHIDFLT_WAIT_KEY outstanding and hands
// each event to the listeners, newest first, under listenerLock. While there
// is no listener or the channel is closed, the reader asks the filter for
// nothing and sleeps until a listener is subscribed, the channel opens or the
// reader is stopped. After a failed or cancelled wait it retries after 10 ms
// of its clock.
//
// Threads: everything but the listeners runs on the UI thread (any one
// thread, in fact; the calls are serialised). Listeners run on the reader
// thread and must not call Subscribe, Unsubscribe, StopReader or
// RestartReader; such calls are refused (StopReader only requests the stop)
// instead of deadlocking.
//
// Lock order: listenerLock, then whatever a listener takes (the output
// engine's dataLock, then the virtual device's deviceLock).
class KeyMonitor {
  public:
    // The reader's waits (its idle sleep, the retry delay) are on `clock`.
    explicit KeyMonitor(platform::FilterService& filter, Clock& clock = SystemClock());
    // Stops the reader, clears the filter's key table (256 zero bytes),
    // deletes the listeners and closes the channel.
    ~KeyMonitor();
    KeyMonitor(const KeyMonitor&) = delete;
    KeyMonitor& operator=(const KeyMonitor&) = delete;

    // The control channel; the owner opens it (again on a keyboard arrival:
    // a reader waiting on the old handle wakes and uses the new one).
    FilterChannel& Channel() { return channel_; }

    // Puts a listener for (target, method) at the front of the list. Nothing
    // happens (false) when one with the same target and method is listed.
    template <class T>
    bool Subscribe(T* target, typename MonitorProxy<T>::Method method);
    // Removes and deletes the listener for (target, method); false when
    // there is none.
    template <class T>
    bool Unsubscribe(T* target, typename MonitorProxy<T>::Method method);
    std::size_t ListenerCount() const;

    // Ends the reader, if one runs: a pending key wait is cancelled, so this
    // returns without a key being pressed.
    void StopReader();
    // StopReader, then IOCTL_VHIDFLT_PRESTART_1 and _2, then a new reader.
    // False when the thread could not be created (the reader then stays
    // stopped).
    bool RestartReader();
    bool IsReading() const;

    // IOCTL_VHIDFLT_SET_VALUE with `value` (the program always passes 0).
    void SetValue(std::uint32_t value);
    // The key table of the store's current records (IOCTL_VHIDFLT_SET_KEY_TABLE,
    // 1024 bytes). Skipped while the channel is closed.
    void SendKeyTable(const RecordStore& store);

  private:
    void ReaderMain();
    bool HasListeners() const;
    void Dispatch(const KeyEvent& event);
    // True inside a listener: on the reader thread, during a dispatch.
    bool InDispatch() const;

    mutable std::mutex listenerLock_;
    // Set: the reader must stop. Woken: a listener came or the channel
    // opened, so an idle reader looks again. Declared before channel_, whose
    // open hook wakes it.
    StopEvent readerWake_;
    FilterChannel channel_;
    // Most recently subscribed first; guarded by listenerLock_.
    std::vector<std::unique_ptr<IMonitorProxy>> listeners_;

    std::atomic<std::thread::id> dispatchingThread_{};
    // The reader thread. A stop cancels its key wait and ends its idle sleep
    // or retry delay. Last: its body uses everything above.
    RestartableWorker reader_;
};

template <class T>
bool KeyMonitor::Subscribe(T* target, typename MonitorProxy<T>::Method method) {
    if (InDispatch())
        return false;
    {
        std::lock_guard lock(listenerLock_);
        for (const auto& listener : listeners_) {
            const auto* proxy = dynamic_cast<const MonitorProxy<T>*>(listener.get());
            if (proxy != nullptr && proxy->Binds(target, method))
                return false;
        }
        listeners_.insert(listeners_.begin(), std::make_unique<MonitorProxy<T>>(target, method));
    }
    readerWake_.Wake();
    return true;
}

template <class T>
bool KeyMonitor::Unsubscribe(T* target, typename MonitorProxy<T>::Method method) {
    if (InDispatch())
        return false;
    std::unique_ptr<IMonitorProxy> removed; // deleted after the lock is released
    std::lock_guard lock(listenerLock_);
    for (auto it = listeners_.begin(); it != listeners_.end(); ++it) {
        const auto* proxy = dynamic_cast<const MonitorProxy<T>*>(it->get());
        if (proxy != nullptr && proxy->Binds(target, method)) {
            removed = std::move(*it);
            listeners_.erase(it);
            return true;
        }
    }
    return false;
}

} // namespace keywright::HidUsbFilter
