// The report descriptors of hidraw nodes and simulated keyboards: any bytes
// split without reading past them, and a fault points inside the descriptor.
#include "FuzzSupport.h"
#include "platform/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keywright::platform;
    const auto split = SplitReportDescriptor({data, size});
    keywright::fuzz::Check(split.faultOffset <= size, "the fault lies within the descriptor");
    keywright::fuzz::Check(!DescribeFault(split).empty(), "every outcome is described");
    return 0;
}
