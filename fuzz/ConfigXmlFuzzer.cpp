// config.xml is read, never written: whatever it holds, it loads without a
// fault, and the lists keep their promises (a media key always has a name).
#include "FuzzSupport.h"
#include "settings/AppConfig.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    keywright::fuzz::SilenceLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keywright;
    static fuzz::Scratch scratch;
    scratch.Write("config.xml", {data, size});

    AppConfig config(scratch.Folder());
    config.Load();
    for (const auto& key : config.FunKeys())
        fuzz::Check(!key.name.empty(), "a media key has a name");
    fuzz::Check(config.Chinese() == 0 || config.Chinese() == 1, "the language is 0 or 1");
    scratch.Clear();
    return 0;
}
