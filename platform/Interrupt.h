#pragma once

#include <chrono>

namespace keywright::platform {

// A console program that runs until the user interrupts it (Ctrl+C, or the
// system asking it to end) and must then tidy up rather than die at once:
// the key table cleared, every key released, the grab given back.
//
// CatchInterrupts: from now on an interrupt no longer ends the process but
// ends WaitForInterrupt. Call it before any thread starts (on Linux the
// signals are blocked in the calling thread and every thread it starts
// later inherits that).
void CatchInterrupts();

// Waits for an interrupt; true when one came, false when `timeout` passed
// first. A negative timeout waits without limit. Something else waking the
// wait early (an unrelated signal) counts as the time running out: callers
// look around and wait again.
bool WaitForInterrupt(std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

} // namespace keywright::platform
