#include "ctl/Interrupts.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <pthread.h>

namespace keywright::ctl {
namespace {

sigset_t InterruptSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

} // namespace

void BlockInterrupts() {
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
    // An unrelated signal (EINTR) ends the wait early, like the time running
    // out: the caller only looks around and waits again.
    return sigtimedwait(&signals, nullptr, &wait) >= 0;
}

} // namespace keywright::ctl
