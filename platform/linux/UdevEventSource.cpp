#include "platform/linux/UdevEventSource.h"

namespace keywright::platform::lnx {

const char* UdevEventSource(const std::filesystem::path& udevControl) {
    std::error_code error;
    return std::filesystem::exists(udevControl, error) ? "udev" : "kernel";
}

} // namespace keywright::platform::lnx
