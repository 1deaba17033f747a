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
    static fuzz::Scratch scratch;
    const auto path = scratch.Write("record.xml", {data, size});

    RecordStore first;
    first.Load(path);
    fuzz::Check(first.Save(), "the loaded store saves");
    const std::string saved = fuzz::Scratch::Read(path);

    RecordStore second;
    fuzz::Check(second.Load(path), "the saved file loads");
    fuzz::Check(*first.Snapshot() == *second.Snapshot(),
                "the saved file reloads as the same records");
    fuzz::Check(second.Save(), "the reloaded store saves");
    fuzz::Check(fuzz::Scratch::Read(path) == saved, "a reload saves the same bytes");
    scratch.Clear();
    return 0;
}
