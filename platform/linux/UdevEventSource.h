#pragma once

#include <filesystem>

namespace keywright::platform::lnx {

// The netlink source a libudev monitor listens to for device arrivals and
// removals: "udev" where udevd runs (its events come once the rules are
// applied: permissions, tags, symbolic links), else "kernel". Without udevd
// (containers, minimal systems) udevd's source stays silent for good, while
// the kernel's own uevents still tell every add and remove; the device nodes
// exist by then (devtmpfs makes them before the kernel announces them).
// udevd runs when its control socket exists.
const char* UdevEventSource(const std::filesystem::path& udevControl = "/run/udev/control");

} // namespace keywright::platform::lnx
