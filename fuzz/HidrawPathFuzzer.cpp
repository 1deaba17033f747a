// Interface paths come back from the HID layer and from settings; parsing
// accepts exactly what SynthesizeInterfacePaths makes. So whatever it
// accepts names /dev/hidrawN only, synthesizes back to the same path (the
// fixed parts compared without case), and parses again to the same target.
#include "FuzzSupport.h"
#include "platform/linux/HidrawPath.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keywright;
    using namespace keywright::platform::lnx;
    const std::string_view path(reinterpret_cast<const char*>(data), size);
    const auto target = ParseInterfacePath(path);
    if (!target)
        return 0;

    const std::string_view digits = std::string_view(target->node).substr(6);
    fuzz::Check(target->node.starts_with("hidraw") && !digits.empty() &&
                    std::all_of(digits.begin(), digits.end(),
                                [](char c) { return c >= '0' && c <= '9'; }) &&
                    (digits.size() == 1 || digits.front() != '0'),
                "the node is hidrawN and nothing else");

    // A path with "&col" names one of at least two collections.
    const bool numbered = Lower(path).find("&col") != std::string::npos;
    const std::size_t count = std::max<std::size_t>(target->collectionIndex + 1, numbered ? 2 : 1);
    const auto paths = SynthesizeInterfacePaths(target->identity, count, target->node);
    fuzz::Check(target->collectionIndex < paths.size(), "the collection exists");
    const std::string& made = paths[target->collectionIndex];
    fuzz::Check(Lower(made) == Lower(path), "the path synthesizes back to itself");

    const auto again = ParseInterfacePath(made);
    fuzz::Check(again && again->node == target->node &&
                    again->collectionIndex == target->collectionIndex &&
                    again->identity.vendorId == target->identity.vendorId &&
                    again->identity.productId == target->identity.productId &&
                    again->identity.interfaceNumber == target->identity.interfaceNumber,
                "the synthesized path parses to the same target");
    return 0;
}
