#include "platform/win32/Win32Backend.h"

#include "platform/NativeBackend.h"

namespace keywright::platform {

std::unique_ptr<Backend> CreateNativeBackend() {
    return std::make_unique<win32::Win32Backend>();
}

} // namespace keywright::platform
