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
    static fuzz::Scratch scratch;
    const auto path = scratch.Write("sidemodel.xml", {data, size});

    SideModelTable first;
    first.Load(path);
    fuzz::Check(first.Save(), "the loaded table saves");
    const std::string saved = fuzz::Scratch::Read(path);

    SideModelTable second;
    fuzz::Check(second.Load(path), "the saved file loads");
    fuzz::Check(SameTable(first, second), "the saved file reloads as the same table");
    fuzz::Check(second.Save(), "the reloaded table saves");
    fuzz::Check(fuzz::Scratch::Read(path) == saved, "a reload saves the same bytes");
    scratch.Clear();
    return 0;
}
