#include "threads/EasyThread.h"

#include <chrono>

namespace keywright {

EasyThread::EasyThread(Clock& clock)
    : stopEvent_(clock), worker_([this] { stopEvent_.Set(); }, [this] { stopEvent_.Reset(); }) {}

EasyThread::~EasyThread() {
    Stop();
}

int EasyThread::Start(void* owner) {
    owner_.store(owner);
    return worker_.Start([this] { Body(); }) == RestartableWorker::StartResult::Failed ? 1 : 0;
}

int EasyThread::Stop() {
    worker_.Stop();
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

bool EasyThread::WaitUntil(Clock::TimePoint deadline) {
    return stopEvent_.WaitUntil(deadline);
}

bool EasyThread::IsStopRequested() {
    return !worker_.KeepGoing();
}

void EasyThread::SetUserData(void* data, int value) {
    std::lock_guard<std::recursive_mutex> guard(dataLock_);
    userData_ = {data, value};
}

void EasyThread::SetOnRun(std::unique_ptr<ThreadCallback> callback) {
    callbacks_.SetOnRun(std::move(callback));
    // An idle thread sleeps until it has an onRun to call.
    stopEvent_.Wake();
}

void EasyThread::SetOnStart(std::unique_ptr<ThreadCallback> callback) {
    callbacks_.SetOnStart(std::move(callback));
}

void EasyThread::SetOnEnd(std::unique_ptr<ThreadCallback> callback) {
    callbacks_.SetOnEnd(std::move(callback));
}

void EasyThread::Body() {
    int result = 0;
    if (const auto onStart = callbacks_.OnStart())
        result = onStart->Call(this, owner_.load());

    if (result == 0) {
        while (worker_.KeepGoing()) {
            const std::uint64_t ticket = stopEvent_.WakeTicket();
            if (const auto onRun = callbacks_.OnRun()) {
                result = onRun->Call(this, owner_.load());
                if (result != 0) {
                    worker_.EndRun();
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
        if (const auto onEnd = callbacks_.OnEnd())
            onEnd->Call(this, owner_.load());
    }
}

} // namespace keywright
