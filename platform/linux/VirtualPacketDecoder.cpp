#include "platform/linux/VirtualPacketDecoder.h"

#include "platform/linux/EvdevUsageTable.h"

#include <linux/input-event-codes.h>

namespace keywright::platform::lnx {
namespace {

// Where each report's fields sit in the packet.
constexpr std::size_t kData = kVirtualReportDataOffset;
constexpr std::size_t kKeyboardMap = kData + kVirtualKeyboardMapOffset;

static_assert(KEY_CNT == 0x300, "VirtualPacketDecoder::KeySet is sized for KEY_CNT keys");

std::uint16_t Le16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::int32_t Signed(std::uint8_t byte) {
    return static_cast<std::int8_t>(byte);
}

// The keys of the keyboard page's modifier usages 0xE0-0xE7.
bool IsModifierKey(std::size_t code) {
    switch (code) {
    case KEY_LEFTCTRL:
    case KEY_LEFTSHIFT:
    case KEY_LEFTALT:
    case KEY_LEFTMETA:
    case KEY_RIGHTCTRL:
    case KEY_RIGHTSHIFT:
    case KEY_RIGHTALT:
    case KEY_RIGHTMETA:
        return true;
    default:
        return false;
    }
}

} // namespace

VirtualPacketDecoder::KeySet VirtualPacketDecoder::HeldKeys() const {
    KeySet held;
    const auto hold = [&](std::optional<std::uint16_t> key) {
        if (key && *key < held.size())
            held.set(*key);
    };
    for (unsigned usage = 0; usage < 256; ++usage)
        if (keyboard_[usage >> 3] & (1u << (usage & 7)))
            hold(KeyForUsage({kKeyboardPage, static_cast<std::uint16_t>(usage)}));
    for (unsigned bit = 0; bit < kMouseButtonBits; ++bit)
        if (buttons_ & (1u << bit))
            hold(MouseButtonKey(bit));
    if (consumer_ != 0)
        hold(KeyForUsage({kConsumerPage, consumer_}));
    if (system_ != 0)
        hold(KeyForUsage({kGenericDesktopPage, system_}));
    return held;
}

std::vector<EvdevEvent> VirtualPacketDecoder::Difference(const KeySet& before,
                                                         std::span<const EvdevEvent> motion) const {
    const KeySet after = HeldKeys();
    std::vector<EvdevEvent> events;
    for (std::size_t code = 0; code < after.size(); ++code)
        if (before[code] && !after[code])
            events.push_back({EV_KEY, static_cast<std::uint16_t>(code), 0});
    for (const bool modifiers : {true, false})
        for (std::size_t code = 0; code < after.size(); ++code)
            if (!before[code] && after[code] && IsModifierKey(code) == modifiers)
                events.push_back({EV_KEY, static_cast<std::uint16_t>(code), 1});
    events.insert(events.end(), motion.begin(), motion.end());
    if (!events.empty())
        events.push_back({EV_SYN, SYN_REPORT, 0});
    return events;
}

DecodedPacket VirtualPacketDecoder::Decode(std::span<const std::uint8_t> packet) {
    if (packet.size() < kVirtualPacketLength)
        return {PacketVerdict::TooShort, {}};
    if (packet[0] != kVirtualPacketMarker)
        return {PacketVerdict::BadMarker, {}};

    const KeySet before = HeldKeys();
    std::vector<EvdevEvent> motion;
    switch (packet[kVirtualReportIdOffset]) {
    case kVirtualKeyboardReport:
        for (std::size_t i = 0; i < keyboard_.size(); ++i)
            keyboard_[i] = packet[kKeyboardMap + i];
        break;
    case kVirtualMouseReport:
        buttons_ = packet[kData];
        for (const auto& [code, byte] :
             {std::pair{REL_X, packet[kData + 1]}, std::pair{REL_Y, packet[kData + 2]},
              std::pair{REL_WHEEL, packet[kData + 3]}})
            if (byte != 0)
                motion.push_back({EV_REL, static_cast<std::uint16_t>(code), Signed(byte)});
        break;
    case kVirtualConsumerReport:
        consumer_ = Le16(&packet[kData]);
        break;
    case kVirtualSystemReport:
        system_ = Le16(&packet[kData]);
        break;
    default:
        return {PacketVerdict::UnknownReport, {}};
    }
    return {PacketVerdict::Decoded, Difference(before, motion)};
}

std::vector<EvdevEvent> VirtualPacketDecoder::ReleaseAll() {
    const KeySet before = HeldKeys();
    keyboard_.fill(0);
    buttons_ = 0;
    consumer_ = 0;
    system_ = 0;
    return Difference(before, {});
}

} // namespace keywright::platform::lnx
