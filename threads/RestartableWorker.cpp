#include "threads/RestartableWorker.h"

#include <system_error>
#include <utility>

namespace keywright {

RestartableWorker::RestartableWorker(std::function<void()> interrupt, std::function<void()> rearm)
    : interrupt_(std::move(interrupt)), rearm_(std::move(rearm)) {}

RestartableWorker::~RestartableWorker() {
    Stop();
}

RestartableWorker::StartResult RestartableWorker::Start(std::function<void()> body) {
    if (OnWorker())
        return StartResult::OnWorker;
    std::lock_guard<std::mutex> control(controlLock_);
    if (thread_.joinable()) {
        if (runningId_.load() == thread_.get_id())
            return StartResult::AlreadyRunning;
        // It has left its loop by itself; at most its ending still runs.
        thread_.join();
        threadId_.store({});
    }
    return Launch(std::move(body));
}

RestartableWorker::StartResult RestartableWorker::Restart(std::function<void()> body,
                                                          const std::function<void()>& between) {
    if (OnWorker())
        return StartResult::OnWorker;
    std::lock_guard<std::mutex> control(controlLock_);
    StopLocked();
    if (between)
        between();
    return Launch(std::move(body));
}

void RestartableWorker::Stop() {
    if (OnWorker()) {
        runningId_.store({});
        interrupt_();
        return;
    }
    std::lock_guard<std::mutex> control(controlLock_);
    StopLocked();
}

void RestartableWorker::StopLocked() {
    if (!thread_.joinable())
        return;
    runningId_.store({});
    interrupt_();
    thread_.join();
    threadId_.store({});
}

RestartableWorker::StartResult RestartableWorker::Launch(std::function<void()> body) {
    rearm_();
    std::lock_guard<std::mutex> gate(startGate_);
    try {
        thread_ = std::thread([this, body = std::move(body)] {
            { std::lock_guard<std::mutex> wait(startGate_); }
            body();
        });
    } catch (const std::system_error&) {
        return StartResult::Failed;
    }
    runningId_.store(thread_.get_id());
    threadId_.store(thread_.get_id());
    return StartResult::Started;
}

bool RestartableWorker::KeepGoing() const {
    return runningId_.load() == std::this_thread::get_id();
}

void RestartableWorker::EndRun() {
    std::thread::id expected = std::this_thread::get_id();
    runningId_.compare_exchange_strong(expected, std::thread::id{});
}

bool RestartableWorker::IsRunning() const {
    return runningId_.load() != std::thread::id{};
}

bool RestartableWorker::OnWorker() const {
    return threadId_.load() == std::this_thread::get_id();
}

} // namespace keywright
