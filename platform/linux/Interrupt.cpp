#include "platform/Interrupt.h"

#include <csignal>
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

void WaitForInterrupt() {
    const sigset_t signals = InterruptSignals();
    int signal = 0;
    sigwait(&signals, &signal);
}

} // namespace keywright::platform
