#include "platform/linux/FileDescriptor.h"

#include <unistd.h>

namespace keywright::platform::lnx {

FileDescriptor::~FileDescriptor() {
    // Not retried on EINTR: on Linux the descriptor is released either way.
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace keywright::platform::lnx
