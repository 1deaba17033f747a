#include "platform/sim/SimBackend.h"

namespace keywright::sim {

SimBackend::SimBackend(platform::HidService& hid, platform::NamedLocks& locks,
                       platform::DeviceNotifications& notifications)
    : hid_(hid), locks_(locks), notifications_(notifications) {}

} // namespace keywright::sim
