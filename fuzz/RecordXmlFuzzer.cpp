// record.xml: whatever the file holds, the store saves, and the saved file
// reloads into the same records in the same order and saves to the same bytes.
#include "FuzzSupport.h"
#include "settings/RecordStore.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    keywright::fuzz::SilenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keywright;
    fuzz::CheckSaveRoundTrip<RecordStore>(
        "record.xml", {data, size},
        [](const RecordStore& a, const RecordStore& b) { return *a.Snapshot() == *b.Snapshot(); });
    return 0;
}
