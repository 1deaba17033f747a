#include "platform/linux/OnceLog.h"

#include "platform/linux/Log.h"

namespace keywright::platform::lnx {

void OnceLog::Log(const std::string& line) {
    {
        std::lock_guard lock(mutex_);
        if (seen_.contains(line))
            return;
        if (seen_.size() >= kCapacity)
            seen_.clear();
        seen_.insert(line);
    }
    LogLine(line);
}

} // namespace keywright::platform::lnx
