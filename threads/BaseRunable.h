#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace keywright {

// A task for RunableThread. The scheduler keeps the posted task and runs
// copies of it (Clone), so a task that repeats keeps its own schedule state
// while each copy runs with the arguments as they were when it fell due.
class BaseRunable {
  public:
    virtual ~BaseRunable() = default;

    // False when the task has nothing to call; the worker then drops it.
    virtual bool CanRun() const = 0;
    // A heap copy of every field, the buffer included.
    virtual std::unique_ptr<BaseRunable> Clone() const = 0;
    // Called by the worker with the task's own arguments; data is null or
    // points to length bytes of the task's buffer. The result is not used.
    virtual int Run(std::int32_t firstArg, std::int32_t secondArg, const std::uint8_t* data,
                    std::size_t length) = 0;

    std::int32_t firstArg = 0;
    std::int32_t secondArg = 0;
    std::vector<std::uint8_t> data;
    // Milliseconds from the scheduler's first look at the task to its run.
    // The first look comes right after Post (or Start); a task that repeats
    // is looked at again a millisecond after each run is handed over.
    std::uint32_t interval = 0;
    // N > 0 runs N more times, 0 runs once, -1 runs for ever, once per interval.
    std::int32_t runs = 1;
    // While this task waits or still has runs left, the tasks behind it wait too.
    bool holdQueue = false;
    // The scheduler's tick when it first looked at the task; 0 = not yet.
    std::uint64_t startTick = 0;

  protected:
    BaseRunable() = default;
    BaseRunable(const BaseRunable&) = default;
    BaseRunable& operator=(const BaseRunable&) = default;
};

} // namespace keywright
