#include "platform/NullServices.h"

namespace keywright::platform {
namespace {

class NullCancelSignal final : public CancelSignal {
  public:
    void Set() override {}
    void Reset() override {}
};

} // namespace

std::unique_ptr<CancelSignal> NullFilterService::CreateCancelSignal() {
    return std::make_unique<NullCancelSignal>();
}

} // namespace keywright::platform
