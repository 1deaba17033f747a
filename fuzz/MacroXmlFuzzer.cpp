// macro.xml: whatever the file holds, the settings save, and the saved file
// reloads into the same stored fields and groups and saves to the same bytes.
// playValue and recording are not stored.
#include "FuzzSupport.h"
#include "settings/MacroSettings.h"

namespace keywright {
namespace {

bool SameStored(const MacroSettings& a, const MacroSettings& b) {
    return a.type == b.type && a.repeat == b.repeat && a.delay == b.delay && a.mode == b.mode &&
           a.media == b.media && a.function == b.function && a.skcode == b.skcode &&
           a.group == b.group && a.play == b.play && a.Groups() == b.Groups();
}

} // namespace
} // namespace keywright

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    keywright::fuzz::SilenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keywright;
    fuzz::CheckSaveRoundTrip<MacroSettings>("macro.xml", {data, size}, SameStored);
    return 0;
}
