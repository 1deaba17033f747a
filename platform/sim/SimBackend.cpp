#include "platform/sim/SimBackend.h"

namespace keywright::sim {

SimBackend::SimBackend(platform::HidService& hid, platform::NamedLocks& locks,
                       platform::DeviceNotifications& notifications,
                       platform::FilterService& filter, platform::ProcessService& processes)
    : hid_(hid), locks_(locks), notifications_(notifications), filter_(filter),
      processes_(processes) {}

} // namespace keywright::sim
