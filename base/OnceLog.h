#pragma once

#include <cstddef>
#include <mutex>
#include <set>
#include <string>

namespace keywright {

// Logs each distinct line once, so a fault seen at every enumeration (a
// malformed descriptor, a node that cannot be described) is reported once
// instead of at every device scan. Remembers at most kCapacity lines; after
// that it starts afresh. Thread-safe.
class OnceLog {
  public:
    static constexpr std::size_t kCapacity = 256;

    void Log(const std::string& line);

  private:
    std::mutex mutex_;
    std::set<std::string> seen_;
};

} // namespace keywright
