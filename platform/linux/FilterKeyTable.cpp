#include "platform/linux/FilterKeyTable.h"

namespace keywright::platform::lnx {

std::optional<FilterKeyTable> FilterKeyTable::Parse(std::span<const std::uint8_t> bytes) {
    if (bytes.size() % kEntryBytes != 0 || bytes.size() > kEntryBytes * kMaxEntries)
        return std::nullopt;
    FilterKeyTable table;
    for (std::size_t offset = 0; offset < bytes.size(); offset += kEntryBytes) {
        const std::uint8_t lowByte = bytes[offset];
        const std::uint8_t page = bytes[offset + 2];
        const std::uint8_t flags = bytes[offset + 3];
        if (flags & kHoldBack)
            table.held_.set(static_cast<std::size_t>(page) << 8 | lowByte);
    }
    return table;
}

bool FilterKeyTable::HoldsBack(HidUsage usage) const {
    if (usage.page > 0xFF)
        return false;
    return held_.test(static_cast<std::size_t>(usage.page) << 8 | (usage.usage & 0xFF));
}

} // namespace keywright::platform::lnx
