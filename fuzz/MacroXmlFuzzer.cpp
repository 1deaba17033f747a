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
    static fuzz::Scratch scratch;
    const auto path = scratch.Write("macro.xml", {data, size});

    MacroSettings first;
    first.Load(path);
    fuzz::Check(first.Save(), "the loaded settings save");
    const std::string saved = fuzz::Scratch::Read(path);

    MacroSettings second;
    fuzz::Check(second.Load(path), "the saved file loads");
    fuzz::Check(SameStored(first, second), "the saved file reloads as the same settings");
    fuzz::Check(second.Save(), "the reloaded settings save");
    fuzz::Check(fuzz::Scratch::Read(path) == saved, "a reload saves the same bytes");
    scratch.Clear();
    return 0;
}
