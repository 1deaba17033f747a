// ledeffect.xml: whatever the file holds, loading leaves a table that saves,
// and the saved file reloads into the same table and saves to the same bytes.
#include "FuzzSupport.h"
#include "settings/LedEffectTable.h"

namespace keywright {
namespace {

bool SameTable(const LedEffectTable& a, const LedEffectTable& b) {
    for (int i = 0; i < LedEffectTable::kEntryCount; ++i)
        if (!(*a.GetEntry(i) == *b.GetEntry(i)))
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
    fuzz::CheckSaveRoundTrip<LedEffectTable>("ledeffect.xml", {data, size}, SameTable);
    return 0;
}
