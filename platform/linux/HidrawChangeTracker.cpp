#include "platform/linux/HidrawChangeTracker.h"

#include <algorithm>

namespace keywright::platform::lnx {

void HidrawChangeTracker::Seed(const std::string& node, std::vector<std::string> paths) {
    paths_[node] = std::move(paths);
}

std::vector<InterfaceChange> HidrawChangeTracker::Added(const std::string& node,
                                                        std::vector<std::string> paths) {
    std::vector<InterfaceChange> changes;
    if (const auto it = paths_.find(node); it != paths_.end())
        for (const std::string& old : it->second)
            if (std::find(paths.begin(), paths.end(), old) == paths.end())
                changes.push_back({DeviceChange::Removal, old});
    for (const std::string& path : paths)
        changes.push_back({DeviceChange::Arrival, path});
    paths_[node] = std::move(paths);
    return changes;
}

std::vector<InterfaceChange> HidrawChangeTracker::Removed(const std::string& node) {
    std::vector<InterfaceChange> changes;
    const auto it = paths_.find(node);
    if (it == paths_.end())
        return changes;
    for (std::string& path : it->second)
        changes.push_back({DeviceChange::Removal, std::move(path)});
    paths_.erase(it);
    return changes;
}

} // namespace keywright::platform::lnx
