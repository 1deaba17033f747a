#include "base/OnceLog.h"

#include "base/Log.h"

namespace keywright {

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

} // namespace keywright
