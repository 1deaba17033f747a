// The virtual output device's packets: any sequence of 64-byte packets
// decodes into key events that are consistent with each other (a key goes up
// only after it went down, and down only while it is up), each frame ends
// with SYN_REPORT, and ReleaseAll leaves nothing pressed.
#include "FuzzSupport.h"
#include "platform/linux/VirtualPacketDecoder.h"

#include <algorithm>
#include <array>
#include <linux/input-event-codes.h>
#include <set>

namespace {

using keywright::fuzz::Check;
using keywright::platform::lnx::EvdevEvent;

void Follow(std::set<std::uint16_t>& down, const std::vector<EvdevEvent>& events) {
    if (events.empty())
        return;
    Check(events.back().type == EV_SYN && events.back().code == SYN_REPORT,
          "a frame ends with SYN_REPORT");
    for (const auto& event : events) {
        if (event.type != EV_KEY)
            continue;
        if (event.value == 1)
            Check(down.insert(event.code).second, "a key goes down only while it is up");
        else
            Check(event.value == 0 && down.erase(event.code) == 1,
                  "a key goes up only while it is down");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keywright;
    using namespace keywright::platform;
    using namespace keywright::platform::lnx;
    // The first byte of each packet's slot picks how it is sent: most are
    // full packets with the marker and a known report id, so the decoder's
    // state is what gets explored; a few are raw bytes of any length.
    fuzz::ByteReader reader({data, size});
    VirtualPacketDecoder decoder;
    std::set<std::uint16_t> down;
    while (!reader.Empty()) {
        const std::uint8_t how = reader.Byte();
        std::array<std::uint8_t, kVirtualPacketLength + 1> packet{};
        std::size_t length = kVirtualPacketLength;
        std::size_t from = kVirtualReportDataOffset;
        if (how & 0x80) { // raw
            length = how & 0x7F;
            from = 0;
        } else {
            packet[0] = kVirtualPacketMarker;
            packet[kVirtualReportIdOffset] = static_cast<std::uint8_t>(1 + how % 4);
        }
        const auto bytes = reader.Take(std::min(length, packet.size()) - from);
        std::copy(bytes.begin(), bytes.end(), packet.begin() + static_cast<std::ptrdiff_t>(from));
        const auto decoded = decoder.Decode({packet.data(), length});
        Check(decoded.verdict == PacketVerdict::Decoded || decoded.events.empty(),
              "a refused packet gives no events");
        Follow(down, decoded.events);
    }
    Follow(down, decoder.ReleaseAll());
    Check(down.empty(), "ReleaseAll leaves no key down");
    for (const auto& event : decoder.ReleaseAll())
        Check(event.type != EV_KEY, "after ReleaseAll nothing more is held");
    return 0;
}
