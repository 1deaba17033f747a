#include "platform/Interrupt.h"

#include <csignal>
#include <ctime>
#include <pthread.h>

namespace keywright::platform {
namespace {

sigset_t InterruptSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

} // namespace

// SIGINT and SIGTERM, blocked in every thread, so that only sigwait takes
// them.
void CatchInterrupts() {
    const sigset_t signals = InterruptSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

bool WaitForInterrupt(std::chrono::milliseconds timeout) {
    const sigset_t signals = InterruptSignals();
    if (timeout.count() < 0) {
        int signal = 0;
        while (sigwait(&signals, &signal) != 0) {
        }
        return true;
    }
    timespec wait{};
    wait.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    wait.tv_nsec = static_cast<long>(timeout.count() % 1000) * 1000000L;
    return sigtimedwait(&signals, nullptr, &wait) >= 0;
}

} // namespace keywright::platform
