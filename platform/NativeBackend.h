#pragma once

#include "platform/Backend.h"

#include <memory>

namespace keywright::platform {

// The back end of the system this program was built for (Linux: hidraw,
// udev, flock). Defined by that back end's library; link
// keywright_platform_native to get it.
std::unique_ptr<Backend> CreateNativeBackend();

} // namespace keywright::platform
