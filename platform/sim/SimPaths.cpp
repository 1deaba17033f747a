#include "platform/sim/SimPaths.h"

#include "platform/sim/SimTrace.h"

namespace keywright::sim {

std::string SimInstanceId(std::uint32_t deviceSerial, std::size_t collectionOrdinal) {
    // Multiplying by an odd constant is a bijection modulo 2^32, so distinct
    // serials never share the middle field.
    const std::uint32_t middle = 0x2a1b3c4dU + deviceSerial * 0x9e3779b1U;
    std::string id = "8&";
    AppendHex(id, middle, 8);
    id += "&0&";
    AppendHex(id, static_cast<std::uint32_t>(collectionOrdinal), 4);
    return id;
}

std::string SimInterfacePath(std::uint16_t vendorId, std::uint16_t productId, int interfaceNumber,
                             int collectionNumber, std::string_view instance) {
    std::string path = "\\\\?\\hid#vid_";
    AppendHex(path, vendorId, 4);
    path += "&pid_";
    AppendHex(path, productId, 4);
    if (interfaceNumber >= 0) {
        path += "&mi_";
        AppendHex(path, static_cast<std::uint32_t>(interfaceNumber), 2);
    }
    if (collectionNumber != 0) {
        path += "&col";
        AppendHex(path, static_cast<std::uint32_t>(collectionNumber), 2);
    }
    path += '#';
    path += instance;
    path += "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    return path;
}

} // namespace keywright::sim
