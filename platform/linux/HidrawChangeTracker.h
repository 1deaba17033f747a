#pragma once

#include "platform/DeviceNotifications.h"

#include <map>
#include <string>
#include <vector>

namespace keywright::platform::lnx {

struct InterfaceChange {
    DeviceChange change;
    std::string path;

    friend bool operator==(const InterfaceChange&, const InterfaceChange&) = default;
};

// Turns hidraw node events into interface changes, one per top-level
// collection. A removed node's sysfs (and so its descriptor and its parent's
// identity) is gone by the time the event arrives, so the paths each node had
// are remembered from when it was seen (enumeration or "add"), and its
// removal reports exactly those. Not thread-safe: one owner thread.
class HidrawChangeTracker {
  public:
    // Remembers the paths of a node present before watching began; no change.
    void Seed(const std::string& node, std::vector<std::string> paths);

    // A node appeared: an Arrival per path, in order. When the node is still
    // remembered with other paths (its removal was missed: the number was
    // reused), the old paths not among the new ones get a Removal first.
    std::vector<InterfaceChange> Added(const std::string& node, std::vector<std::string> paths);

    // A node went: a Removal per remembered path, in order; nothing for a
    // node never seen.
    std::vector<InterfaceChange> Removed(const std::string& node);

  private:
    std::map<std::string, std::vector<std::string>> paths_;
};

} // namespace keywright::platform::lnx
