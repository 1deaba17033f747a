#include "engine/FilterRecords.h"

#include <algorithm>

namespace keywright {

KeyEvent KeyEvent::Decode(const std::array<std::uint8_t, kSize>& bytes) {
    KeyEvent event;
    event.usage = static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
    event.page = bytes[2];
    event.flags = bytes[3];
    return event;
}

KeyTable BuildKeyTable(const std::vector<KeyRecord>& records) {
    KeyTable table{};
    const std::size_t count = std::min(records.size(), kKeyTableEntries);
    for (std::size_t i = 0; i < count; ++i) {
        const KeyCode code = records[i].code;
        std::uint8_t* entry = table.data() + 4 * i;
        entry[0] = static_cast<std::uint8_t>(code & 0xFF);
        entry[1] = 0;
        entry[2] = static_cast<std::uint8_t>((code >> 16) & 0xFF);
        entry[3] = kKeyTableFlag;
    }
    return table;
}

} // namespace keywright
