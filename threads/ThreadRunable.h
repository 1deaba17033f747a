#pragma once

#include "threads/BaseRunable.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace keywright {

// A task that calls a member function of an object that outlives the
// scheduler's copies of the task (in practice: the owner of the scheduler).
template <class T>
class ThreadRunable final : public BaseRunable {
  public:
    using Method = int (T::*)(std::int32_t firstArg, std::int32_t secondArg,
                              const std::uint8_t* data, std::size_t length);

    ThreadRunable() = default;
    ThreadRunable(T* object, Method method) : object_(object), method_(method) {}

    bool CanRun() const override { return object_ != nullptr && method_ != nullptr; }

    std::unique_ptr<BaseRunable> Clone() const override {
        return std::make_unique<ThreadRunable>(*this);
    }

    int Run(std::int32_t first, std::int32_t second, const std::uint8_t* bytes,
            std::size_t length) override {
        if (!CanRun())
            return 0;
        return (object_->*method_)(first, second, bytes, length);
    }

  private:
    T* object_ = nullptr;
    Method method_ = nullptr;
};

} // namespace keywright
