#include "platform/linux/WindowsErrors.h"

#include <cerrno>

namespace keywright::platform::lnx {

std::uint32_t WindowsErrorFromErrno(int error) {
    switch (error) {
    case ENODEV:
    case ENXIO:
    case ENOENT:
    case ESHUTDOWN:
        return kErrorDeviceNotConnected;
    case EACCES:
    case EPERM:
        return kErrorAccessDenied;
    case EBADF:
        return kErrorInvalidHandle;
    case EINVAL:
    case EFAULT:
    case EMSGSIZE:
        return kErrorInvalidParameter;
    case ETIMEDOUT:
        return kErrorSemTimeout;
    case EAGAIN:
    case EBUSY:
        return kErrorBusy;
    case ENOMEM:
        return kErrorNotEnoughMemory;
    default:
        return kErrorGenFailure;
    }
}

} // namespace keywright::platform::lnx
