#pragma once

namespace keywright::platform {

// A console program that runs until the user interrupts it (Ctrl+C, or the
// system asking it to end) and must then tidy up rather than die at once.
//
// CatchInterrupts: from now on an interrupt no longer ends the process but
// ends WaitForInterrupt. Call it before any thread starts (on Linux the
// signals are blocked in the calling thread and every thread it starts
// later inherits that).
void CatchInterrupts();
// Waits without time limit for the next interrupt.
void WaitForInterrupt();

} // namespace keywright::platform
