#include "platform/linux/VirtualPacketDecoder.h"

#include "EvdevText.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace keywright::platform::lnx {
namespace {

using Packet = std::vector<std::uint8_t>;

Packet Raw(std::initializer_list<std::uint8_t> head, std::size_t length = 64) {
    Packet packet(head);
    packet.resize(length, 0);
    return packet;
}

Packet Keyboard(std::initializer_list<unsigned> usages) {
    Packet packet = Raw({0x05, 0x01});
    for (const unsigned usage : usages)
        packet[3 + (usage >> 3)] |= static_cast<std::uint8_t>(1u << (usage & 7));
    return packet;
}

Packet Mouse(std::uint8_t buttons, std::uint8_t x = 0, std::uint8_t y = 0, std::uint8_t wheel = 0) {
    return Raw({0x05, 0x02, buttons, x, y, wheel});
}

Packet Consumer(std::uint16_t usage) {
    return Raw(
        {0x05, 0x03, static_cast<std::uint8_t>(usage), static_cast<std::uint8_t>(usage >> 8)});
}

Packet System(std::uint16_t usage) {
    return Raw(
        {0x05, 0x04, static_cast<std::uint8_t>(usage), static_cast<std::uint8_t>(usage >> 8)});
}

struct Step {
    Packet packet;
    std::string events; // EventsText of what the packet gives
};

void Play(VirtualPacketDecoder& decoder, const std::vector<Step>& steps) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE("step " + std::to_string(i + 1));
        const DecodedPacket decoded = decoder.Decode(steps[i].packet);
        EXPECT_EQ(decoded.verdict, PacketVerdict::Decoded);
        EXPECT_EQ(EventsText(decoded.events), steps[i].events);
    }
}

struct Script {
    const char* name;
    std::vector<Step> steps;
};

TEST(VirtualPacketDecoder, Scripts) {
    const Script scripts[] = {
        {"the packets the program's own examples write",
         {
             {Raw({0x05, 0x01, 0x00, 0x10}), "KEY_A 1, SYN"},
             {Raw({0x05, 0x01, 0x00, 0x00}), "KEY_A 0, SYN"},
             // Left Shift 0xE1: bit 1 of map byte 28, packet byte 31.
             {[] {
                  Packet p = Raw({0x05, 0x01});
                  p[31] = 0x02;
                  return p;
              }(),
              "KEY_LEFTSHIFT 1, SYN"},
             {Raw({0x05, 0x03, 0xCD, 0x00}), "KEY_PLAYPAUSE 1, SYN"},
             {Raw({0x05, 0x03, 0x00, 0x00}), "KEY_PLAYPAUSE 0, SYN"},
             {Raw({0x05, 0x04, 0x81, 0x00}), "KEY_POWER 1, SYN"},
             {Raw({0x05, 0x02, 0x01, 0x00, 0x00, 0x00}), "BTN_LEFT 1, SYN"},
         }},
        {"a combination in one packet presses the modifier first",
         {
             {Keyboard({0x04, 0xE1}), "KEY_LEFTSHIFT 1, KEY_A 1, SYN"},
             {Keyboard({0xE1}), "KEY_A 0, SYN"},
             // By key code: KEY_C (46) comes before KEY_B (48).
             {Keyboard({0x05, 0x06, 0xE0, 0xE1}), "KEY_LEFTCTRL 1, KEY_C 1, KEY_B 1, SYN"},
             {Keyboard({}), "KEY_LEFTCTRL 0, KEY_LEFTSHIFT 0, KEY_C 0, KEY_B 0, SYN"},
         }},
        {"releases come before presses",
         {
             {Keyboard({0x04}), "KEY_A 1, SYN"},
             {Keyboard({0x05}), "KEY_A 0, KEY_B 1, SYN"},
         }},
        {"a packet that changes nothing gives no events",
         {
             {Keyboard({0x04}), "KEY_A 1, SYN"},
             {Keyboard({0x04}), ""},
             {Keyboard({0x04, 0x01, 0x02, 0xFF}), ""}, // usages without a key
             {Consumer(0x0E7), ""},
             {System(0x84), ""},
         }},
        {"a key two usages give goes up when neither holds it",
         {
             {Keyboard({0x31}), "KEY_BACKSLASH 1, SYN"},
             {Keyboard({0x31, 0x32}), ""},
             {Keyboard({0x32}), ""},
             {Keyboard({}), "KEY_BACKSLASH 0, SYN"},
             {Keyboard({0x7F}), "KEY_MUTE 1, SYN"},
             {Consumer(0xE2), ""},
             {Keyboard({}), ""},
             {Consumer(0), "KEY_MUTE 0, SYN"},
         }},
        {"consumer: the previous usage goes up, the new one down",
         {
             {Consumer(0xCD), "KEY_PLAYPAUSE 1, SYN"},
             {Consumer(0xE9), "KEY_PLAYPAUSE 0, KEY_VOLUMEUP 1, SYN"},
             {Consumer(0x0E7), "KEY_VOLUMEUP 0, SYN"}, // no key: only the release
             {Consumer(0x192), "KEY_CALC 1, SYN"},
             {Consumer(0), "KEY_CALC 0, SYN"},
         }},
        {"system controls",
         {
             {System(0x82), "KEY_SLEEP 1, SYN"},
             {System(0x83), "KEY_SLEEP 0, KEY_WAKEUP 1, SYN"},
             {System(0x80), "KEY_WAKEUP 0, SYN"},
         }},
        {"mouse: buttons by bit, movement signed and relative",
         {
             {Mouse(0x01), "BTN_LEFT 1, SYN"},
             {Mouse(0x05, 5), "BTN_MIDDLE 1, REL_X 5, SYN"},
             {Mouse(0x05, 5), "REL_X 5, SYN"},
             {Mouse(0x05, 0xFB, 0x30, 0xFF), "REL_X -5, REL_Y 48, REL_WHEEL -1, SYN"},
             {Mouse(0x80, 0, 0, 0x01), "BTN_LEFT 0, BTN_MIDDLE 0, BTN_TASK 1, REL_WHEEL 1, SYN"},
             {Mouse(0x00, 0x80, 0x7F), "BTN_TASK 0, REL_X -128, REL_Y 127, SYN"},
         }},
    };
    for (const Script& script : scripts) {
        SCOPED_TRACE(script.name);
        VirtualPacketDecoder decoder;
        Play(decoder, script.steps);
    }
}

TEST(VirtualPacketDecoder, ReleaseAllLeavesNothingPressed) {
    VirtualPacketDecoder decoder;
    EXPECT_EQ(EventsText(decoder.ReleaseAll()), "");
    Play(decoder, {
                      {Keyboard({0x04, 0xE1}), "KEY_LEFTSHIFT 1, KEY_A 1, SYN"},
                      {Mouse(0x03, 10), "BTN_LEFT 1, BTN_RIGHT 1, REL_X 10, SYN"},
                      {Consumer(0xCD), "KEY_PLAYPAUSE 1, SYN"},
                      {System(0x81), "KEY_POWER 1, SYN"},
                  });
    EXPECT_EQ(EventsText(decoder.ReleaseAll()),
              "KEY_A 0, KEY_LEFTSHIFT 0, KEY_POWER 0, KEY_PLAYPAUSE 0, BTN_LEFT 0, BTN_RIGHT 0, "
              "SYN");
    EXPECT_EQ(EventsText(decoder.ReleaseAll()), "");
    // Everything reads as released: the same packets press again, and the
    // mouse packet moves nothing now that its movement is zero.
    Play(decoder, {
                      {Keyboard({0x04}), "KEY_A 1, SYN"},
                      {Mouse(0x00), ""},
                  });
}

TEST(VirtualPacketDecoder, RefusesHostilePacketsAndKeepsItsState) {
    struct Case {
        const char* name;
        Packet packet;
        PacketVerdict verdict;
    };
    const Case cases[] = {
        {"empty", {}, PacketVerdict::TooShort},
        {"one byte short", Raw({0x05, 0x01}, 63), PacketVerdict::TooShort},
        {"marker only", Raw({0x05}, 1), PacketVerdict::TooShort},
        {"wrong marker", Raw({0x06, 0x01}), PacketVerdict::BadMarker},
        {"zero marker", Raw({0x00, 0x01}), PacketVerdict::BadMarker},
        {"report id 0", Raw({0x05, 0x00}), PacketVerdict::UnknownReport},
        {"report id 5", Raw({0x05, 0x05}), PacketVerdict::UnknownReport},
        {"report id 0xFF", Raw({0x05, 0xFF}), PacketVerdict::UnknownReport},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualPacketDecoder decoder;
        Play(decoder, {{Keyboard({0x04}), "KEY_A 1, SYN"}});
        const DecodedPacket decoded = decoder.Decode(c.packet);
        EXPECT_EQ(decoded.verdict, c.verdict);
        EXPECT_TRUE(decoded.events.empty());
        // Nothing changed: A is still the only key held.
        EXPECT_EQ(EventsText(decoder.ReleaseAll()), "KEY_A 0, SYN");
    }
}

TEST(VirtualPacketDecoder, BytesAfterThePacketAreIgnored) {
    VirtualPacketDecoder decoder;
    Packet packet = Keyboard({0x04});
    packet.resize(100, 0xFF);
    const DecodedPacket decoded = decoder.Decode(packet);
    EXPECT_EQ(decoded.verdict, PacketVerdict::Decoded);
    EXPECT_EQ(EventsText(decoded.events), "KEY_A 1, SYN");
}

} // namespace
} // namespace keywright::platform::lnx
