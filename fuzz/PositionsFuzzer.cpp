// The keyboard positions file: whatever the text, reading it ends with a
// document or with a reason, never both and never neither.
#include "FuzzSupport.h"
#include "positions/PositionsReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keywright;
    const auto read = positions::ReadPositions({reinterpret_cast<const char*>(data), size});
    fuzz::Check(read.document.has_value() == read.error.empty(), "a document, or else a reason");
    return 0;
}
