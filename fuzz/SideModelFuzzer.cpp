// sidemodel.xml: whatever the file holds, loading leaves a table that saves,
// and the saved file reloads into the same table and saves to the same bytes.
// `reserved` is not stored, so only the stored half of each entry is compared.
#include "FuzzSupport.h"
#include "settings/SideModelTable.h"

namespace keywright {
namespace {

bool SameTable(const SideModelTable& a, const SideModelTable& b) {
    for (int i = 0; i < SideModelTable::kEntryCount; ++i)
        if (a.GetEntry(i)->Level() != b.GetEntry(i)->Level())
            return false;
    return a.GetCurrent() == b.GetCurrent();
}

} // namespace
} // namespace keywright

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    keywright::fuzz::SilenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keywright;
    fuzz::CheckSaveRoundTrip<SideModelTable>("sidemodel.xml", {data, size}, SameTable);
    return 0;
}
