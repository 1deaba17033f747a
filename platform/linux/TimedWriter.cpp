#include "platform/linux/TimedWriter.h"

#include "platform/linux/WindowsErrors.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace keywright::platform::lnx {

// Shared by the writer and its worker thread, so the worker may outlive the
// writer while a write() is blocked.
struct TimedWriter::State {
    explicit State(std::shared_ptr<FileDescriptor> descriptor) : fd(std::move(descriptor)) {}

    const std::shared_ptr<FileDescriptor> fd;
    std::mutex mutex;
    std::condition_variable changed;
    // Guarded by mutex.
    bool stop = false;
    bool callerActive = false; // a Write call is being served; the others wait
    bool hasJob = false;       // `job` waits for the worker
    bool writing = false;      // the worker is inside write()
    std::vector<std::uint8_t> job;
    std::uint64_t submitted = 0; // sequence number of the latest job
    std::uint64_t completed = 0; // sequence number of the latest finished write
    long written = 0;            // its result: bytes, or -1 with `error`
    int error = 0;
};

TimedWriter::TimedWriter(std::shared_ptr<FileDescriptor> fd)
    : state_(std::make_shared<State>(std::move(fd))) {}

TimedWriter::~TimedWriter() {
    bool writing = false;
    {
        std::lock_guard lock(state_->mutex);
        state_->stop = true;
        writing = state_->writing;
    }
    state_->changed.notify_all();
    if (!worker_.joinable())
        return;
    // An idle worker sees `stop` at once. A writing one may be held by the
    // device for seconds; it then ends on its own after write() returns.
    if (writing)
        worker_.detach();
    else
        worker_.join();
}

void TimedWriter::Run(std::shared_ptr<State> state) {
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->changed.wait(lock, [&] { return state->stop || state->hasJob; });
        // A job still queued at stop was already reported as not finished.
        if (state->stop)
            return;
        std::vector<std::uint8_t> report = std::move(state->job);
        state->hasJob = false;
        state->writing = true;
        const std::uint64_t sequence = state->submitted;
        lock.unlock();

        ssize_t n = 0;
        int error = 0;
        do {
            n = ::write(state->fd->Get(), report.data(), report.size());
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            error = errno;

        lock.lock();
        state->writing = false;
        state->completed = sequence;
        state->written = static_cast<long>(n);
        state->error = error;
        state->changed.notify_all();
    }
}

HidWriteResult TimedWriter::Write(const std::uint8_t* report, std::size_t length,
                                  std::uint32_t timeoutMs) {
    const HidWriteResult notFinished{HidWriteResult::Start::Pending, kErrorIoPending, false, 0};
    if (report == nullptr || length == 0)
        return {HidWriteResult::Start::Failed, kErrorInvalidParameter, false, 0};

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    State& state = *state_;
    std::unique_lock lock(state.mutex);
    // Another caller's write may hold the device past our limit.
    if (!state.changed.wait_until(lock, deadline, [&] { return !state.callerActive; }))
        return notFinished;
    state.callerActive = true;
    struct CallerDone {
        State& state;
        ~CallerDone() {
            state.callerActive = false;
            state.changed.notify_all();
        }
    } callerDone{state}; // runs while `lock` is still held: declared after it

    if (!worker_.joinable()) {
        try {
            worker_ = std::thread(Run, state_);
        } catch (const std::system_error&) {
            return {HidWriteResult::Start::Failed, kErrorNotEnoughMemory, false, 0};
        }
    }

    // Retire the previous write, which timed out, before this one starts.
    if (!state.changed.wait_until(lock, deadline, [&] { return !state.writing && !state.hasJob; }))
        return notFinished;

    state.job.assign(report, report + length);
    state.hasJob = true;
    const std::uint64_t sequence = ++state.submitted;
    state.changed.notify_all();

    if (!state.changed.wait_until(lock, deadline, [&] { return state.completed == sequence; }))
        return notFinished;
    if (state.written < 0)
        return {HidWriteResult::Start::Failed, WindowsErrorFromErrno(state.error), false, 0};
    return {HidWriteResult::Start::Pending, kErrorIoPending, true,
            static_cast<std::uint32_t>(state.written)};
}

} // namespace keywright::platform::lnx
