#include "platform/linux/LinuxBackend.h"

#include "platform/NativeBackend.h"

namespace keywright::platform::lnx {

LinuxBackend::LinuxBackend() = default;
LinuxBackend::~LinuxBackend() = default;

} // namespace keywright::platform::lnx

namespace keywright::platform {

std::unique_ptr<Backend> CreateLinuxBackend() {
    return std::make_unique<lnx::LinuxBackend>();
}

std::unique_ptr<Backend> CreateNativeBackend() {
    return CreateLinuxBackend();
}

} // namespace keywright::platform
