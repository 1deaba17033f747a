#include "threads/EasyThread.h"

#include <chrono>
#include <system_error>

namespace keywright {

EasyThread::~EasyThread() {
    Stop();
}

int EasyThread::Start(void* owner) {
    if (OnOwnThread()) {
        owner_.store(owner);
        return 0;
    }
    std::lock_guard<std::mutex> control(controlLock_);
    owner_.store(owner);
    if (thread_.joinable()) {
        if (runningId_.load() == thread_.get_id())
            return 0;
        // It has left its loop by itself; at most onEnd is still running.
        thread_.join();
        threadId_.store({});
    }
    stopEvent_.Reset();
    try {
        std::lock_guard<std::mutex> gate(startGate_);
        thread_ = std::thread(&EasyThread::Body, this);
        runningId_.store(thread_.get_id());
        threadId_.store(thread_.get_id());
    } catch (const std::system_error&) {
        return 1;
    }
    return 0;
}

int EasyThread::Stop() {
    if (OnOwnThread()) {
        runningId_.store({});
        stopEvent_.Set();
        return 0;
    }
    std::lock_guard<std::mutex> control(controlLock_);
    runningId_.store({});
    stopEvent_.Set();
    if (thread_.joinable()) {
        thread_.join();
        threadId_.store({});
    }
    return 0;
}

void EasyThread::Lock() {
    dataLock_.lock();
}

void EasyThread::Unlock() {
    dataLock_.unlock();
}

bool EasyThread::Wait(int ms) {
    if (ms < 0) {
        stopEvent_.WaitUntilSet();
        return true;
    }
    return stopEvent_.WaitFor(std::chrono::milliseconds(ms));
}

bool EasyThread::IsStopRequested() {
    return runningId_.load() != std::this_thread::get_id();
}

void EasyThread::SetUserData(void* data, int value) {
    std::lock_guard<std::recursive_mutex> guard(dataLock_);
    userData_ = {data, value};
}

void EasyThread::SetOnRun(std::unique_ptr<ThreadCallback> callback) {
    {
        std::lock_guard<std::recursive_mutex> setup(setupLock_);
        onRun_ = std::move(callback);
    }
    // An idle thread sleeps until it has an onRun to call.
    stopEvent_.Wake();
}

void EasyThread::SetOnStart(std::unique_ptr<ThreadCallback> callback) {
    std::lock_guard<std::recursive_mutex> setup(setupLock_);
    onStart_ = std::move(callback);
}

void EasyThread::SetOnEnd(std::unique_ptr<ThreadCallback> callback) {
    std::lock_guard<std::recursive_mutex> setup(setupLock_);
    onEnd_ = std::move(callback);
}

std::shared_ptr<EasyThread::ThreadCallback>
EasyThread::Slot(const std::shared_ptr<ThreadCallback>& slot) {
    std::lock_guard<std::recursive_mutex> setup(setupLock_);
    return slot;
}

bool EasyThread::OnOwnThread() const {
    return threadId_.load() == std::this_thread::get_id();
}

void EasyThread::Body() {
    { std::lock_guard<std::mutex> gate(startGate_); }
    const std::thread::id self = std::this_thread::get_id();

    int result = 0;
    if (const auto onStart = Slot(onStart_))
        result = onStart->Call(this, owner_.load());

    if (result == 0) {
        while (runningId_.load() == self) {
            const std::uint64_t ticket = stopEvent_.WakeTicket();
            if (const auto onRun = Slot(onRun_)) {
                result = onRun->Call(this, owner_.load());
                if (result != 0) {
                    std::thread::id expected = self;
                    runningId_.compare_exchange_strong(expected, std::thread::id{});
                    break;
                }
                // Callers count on being called again and again, but not
                // faster than once a millisecond.
                stopEvent_.WaitFor(std::chrono::milliseconds(1));
            } else {
                stopEvent_.WaitForWake(ticket);
            }
        }
    }

    if (result != -1) {
        if (const auto onEnd = Slot(onEnd_))
            onEnd->Call(this, owner_.load());
    }
}

} // namespace keywright
