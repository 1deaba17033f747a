#pragma once

#include "base/Clock.h"

#include <algorithm>
#include <chrono>
#include <cstddef>

namespace keywright::test {

// How long a test waits for something that must happen. Only reached when a
// test fails, so it can be generous for loaded and sanitized builds.
inline constexpr std::chrono::seconds kPatience{10};

// One time step of a test script ("150 ms"): moves the clock on by `step` as
// real time passes, from one deadline of the waiting threads to the next.
// Before each move it waits until `sleepers` threads wait on the clock, so
// they have done everything that was due and their new deadlines count from
// the time they acted at. False when they did not all get there within
// kPatience.
[[nodiscard]] inline bool Pass(ManualClock& clock, Clock::Duration step, std::size_t sleepers = 1) {
    const Clock::TimePoint end = clock.Now() + step;
    for (;;) {
        if (!clock.WaitForSleepers(sleepers, kPatience))
            return false;
        const Clock::TimePoint next = std::min(clock.NextDeadline(), end);
        clock.Advance(next - clock.Now());
        if (next == end)
            return true;
    }
}

} // namespace keywright::test
