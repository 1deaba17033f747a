// The keyboard filter's decisions for one event node, fed as a sequence of
// node events mixed with grabs, key table changes and let-gos. Whatever the
// node sends, the pass-through device and the key reports stay balanced: once
// the node is let go, no key is left down on the pass-through device and
// every key reported down has been reported up; and every pass-through batch
// is whole frames.
#include "FuzzSupport.h"
#include "platform/linux/KeyboardNodeFilter.h"

#include <linux/input-event-codes.h>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace {

using keywright::fuzz::ByteReader;
using keywright::fuzz::Check;
using namespace keywright::platform::lnx;

struct Balance {
    std::set<std::uint16_t> passedDown;
    std::map<std::pair<std::uint16_t, std::uint16_t>, int> reportedDown; // downs minus ups

    void Follow(const NodeFilterOutput& out) {
        if (!out.passThrough.empty())
            Check(out.passThrough.back().type == EV_SYN &&
                      out.passThrough.back().code == SYN_REPORT,
                  "the pass-through gets whole frames");
        for (const auto& event : out.passThrough) {
            if (event.type != EV_KEY)
                continue;
            if (event.value == 1)
                passedDown.insert(event.code);
            else if (event.value == 0)
                passedDown.erase(event.code);
        }
        for (const auto& report : out.reports) {
            int& n = reportedDown[{report.usage.page, report.usage.usage}];
            n += report.down ? 1 : -1;
            // Two keys may give one usage (hid-input's scan codes say so),
            // so a usage can be down twice; but never up more than down.
            Check(n >= 0, "a usage is reported up only after it was reported down");
        }
    }

    bool Settled() const {
        if (!passedDown.empty())
            return false;
        for (const auto& [usage, n] : reportedDown)
            if (n != 0)
                return false;
        return true;
    }
};

// Mostly keys the filter knows a usage for, so the interesting paths are
// reached; sometimes any code at all.
std::uint16_t KeyCode(ByteReader& reader) {
    const std::uint8_t pick = reader.Byte();
    const auto known = KeysWithUsage();
    if (pick < 0xF0)
        return known[pick % known.size()];
    return static_cast<std::uint16_t>(reader.Word() % KEY_CNT);
}

EvdevEvent NodeEvent(ByteReader& reader) {
    const std::uint8_t kind = reader.Byte();
    switch (kind % 8) {
    case 0:
    case 1:
    case 2:
        return {EV_KEY, KeyCode(reader), kind % 3 == 2 ? 2 : static_cast<std::int32_t>(kind % 2)};
    case 3:
        return {EV_SYN, SYN_REPORT, 0};
    case 4: // the usage hid-input gives with the next key
        return {EV_MSC, MSC_SCAN,
                static_cast<std::int32_t>((static_cast<std::uint32_t>(reader.Byte() % 16) << 16) |
                                          reader.Word())};
    case 5:
        return {EV_SYN, SYN_DROPPED, 0};
    case 6:
        return {EV_REL, static_cast<std::uint16_t>(reader.Byte() % REL_CNT),
                static_cast<std::int8_t>(reader.Byte())};
    default:
        return {static_cast<std::uint16_t>(reader.Byte() % EV_CNT),
                static_cast<std::uint16_t>(reader.Word()),
                static_cast<std::int32_t>(reader.Word())};
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader reader({data, size});
    FilterKeyTable table;
    Balance balance;
    // The node's own key state, as the kernel would report it on a read.
    std::set<std::uint16_t> nodeDown;
    auto filter = std::make_unique<KeyboardNodeFilter>(std::span<const std::uint16_t>{});

    while (!reader.Empty()) {
        const std::uint8_t op = reader.Byte();
        if (op < 0xD0) {
            const EvdevEvent event = NodeEvent(reader);
            if (event.type == EV_KEY && event.value == 1)
                nodeDown.insert(event.code);
            else if (event.type == EV_KEY && event.value == 0)
                nodeDown.erase(event.code);
            balance.Follow(filter->Handle(event, table));
        } else if (op < 0xE8) { // the reader tries the grab when asked
            if (filter->ShouldGrab()) {
                const std::vector<std::uint16_t> now(nodeDown.begin(), nodeDown.end());
                filter->ConfirmGrab(now);
            }
        } else if (op < 0xF8) { // a new key table from the program
            std::vector<std::uint8_t> bytes(FilterKeyTable::kEntryBytes * (1 + op % 4));
            for (std::size_t i = 0; i < bytes.size(); i += FilterKeyTable::kEntryBytes) {
                const std::uint16_t key = KeyCode(reader);
                const auto usage = UsageForKey(key);
                bytes[i] = static_cast<std::uint8_t>(usage ? usage->usage : key);
                bytes[i + 2] = static_cast<std::uint8_t>(usage ? usage->page : 7);
                bytes[i + 3] = reader.Byte() & 0x03;
            }
            if (const auto parsed = FilterKeyTable::Parse(bytes))
                table = *parsed;
        } else { // the node is let go and opened again
            balance.Follow(filter->Release());
            Check(balance.Settled(), "a node let go leaves nothing pressed");
            const std::vector<std::uint16_t> now(nodeDown.begin(), nodeDown.end());
            filter = std::make_unique<KeyboardNodeFilter>(now);
        }
    }
    balance.Follow(filter->Release());
    Check(balance.Settled(), "a node let go leaves nothing pressed");
    return 0;
}
