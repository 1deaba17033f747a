#pragma once

#include <chrono>

namespace keywright::ctl {

// SIGINT and SIGTERM for the commands that run until interrupted. Blocked
// before any thread starts (every thread inherits the mask), they reach
// only the thread that waits for them here, so the command's teardown (the
// key table cleared, every key released, the grab given back) runs instead
// of the process dying with the keyboard held.
void BlockInterrupts();

// Waits for SIGINT or SIGTERM; true when one came, false when `timeout`
// passed first. A negative timeout waits without limit.
bool WaitForInterrupt(std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

} // namespace keywright::ctl
