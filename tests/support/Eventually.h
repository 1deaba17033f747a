#pragma once

#include <chrono>
#include <thread>

namespace keywright::test {

// Waits until ready() holds, looking again every millisecond; false when
// `patience` of real time ran out first.
//
// Only for a state that nothing announces, such as a thread asleep in the
// kernel. Where the code under test can signal the outcome, or the kernel
// can (a descriptor turning readable), wait on that instead.
template <typename Ready>
bool Eventually(Ready ready, std::chrono::milliseconds patience = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!ready()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace keywright::test
