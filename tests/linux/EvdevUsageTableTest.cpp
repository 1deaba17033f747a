#include "platform/linux/EvdevUsageTable.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <optional>
#include <string>

namespace keywright::platform::lnx {
namespace {

constexpr std::uint16_t kKbd = kKeyboardPage;
constexpr std::uint16_t kCon = kConsumerPage;
constexpr std::uint16_t kSys = kGenericDesktopPage;

std::string Describe(HidUsage usage) {
    char text[32];
    std::snprintf(text, sizeof text, "%02X:%04X", usage.page, usage.usage);
    return text;
}

struct ForwardCase {
    HidUsage usage;
    std::optional<std::uint16_t> key; // nullopt: no key
};

// Usage to key as hid-input maps it, with every irregular spot of the tables:
// the gaps, the usages that share a key, the kernel's own names for the
// keyboard page's 0x74-0x77, and the non-standard media block at 0xE8.
TEST(EvdevUsageTable, UsageToKey) {
    const ForwardCase cases[] = {
        // Keyboard page: error codes and reserved usages have no key.
        {{kKbd, 0x00}, std::nullopt},
        {{kKbd, 0x01}, std::nullopt},
        {{kKbd, 0x03}, std::nullopt},
        {{kKbd, 0x04}, KEY_A},
        {{kKbd, 0x1D}, KEY_Z},
        {{kKbd, 0x1E}, KEY_1},
        {{kKbd, 0x27}, KEY_0},
        {{kKbd, 0x28}, KEY_ENTER},
        {{kKbd, 0x29}, KEY_ESC},
        {{kKbd, 0x31}, KEY_BACKSLASH},
        {{kKbd, 0x32}, KEY_BACKSLASH},
        {{kKbd, 0x35}, KEY_GRAVE},
        {{kKbd, 0x39}, KEY_CAPSLOCK},
        {{kKbd, 0x44}, KEY_F11},
        {{kKbd, 0x46}, KEY_SYSRQ},
        {{kKbd, 0x48}, KEY_PAUSE},
        {{kKbd, 0x4C}, KEY_DELETE},
        {{kKbd, 0x4F}, KEY_RIGHT},
        {{kKbd, 0x52}, KEY_UP},
        {{kKbd, 0x58}, KEY_KPENTER},
        {{kKbd, 0x62}, KEY_KP0},
        {{kKbd, 0x64}, KEY_102ND},
        {{kKbd, 0x65}, KEY_COMPOSE},
        {{kKbd, 0x66}, KEY_POWER},
        {{kKbd, 0x68}, KEY_F13},
        {{kKbd, 0x73}, KEY_F24},
        {{kKbd, 0x74}, KEY_OPEN},
        {{kKbd, 0x76}, KEY_PROPS},
        {{kKbd, 0x77}, KEY_FRONT},
        {{kKbd, 0x7F}, KEY_MUTE},
        {{kKbd, 0x81}, KEY_VOLUMEDOWN},
        {{kKbd, 0x82}, std::nullopt},
        {{kKbd, 0x84}, std::nullopt},
        {{kKbd, 0x85}, KEY_KPCOMMA},
        {{kKbd, 0x86}, std::nullopt},
        {{kKbd, 0x87}, KEY_RO},
        {{kKbd, 0x89}, KEY_YEN},
        {{kKbd, 0x8C}, KEY_KPJPCOMMA},
        {{kKbd, 0x8D}, std::nullopt},
        {{kKbd, 0x90}, KEY_HANGEUL},
        {{kKbd, 0x94}, KEY_ZENKAKUHANKAKU},
        {{kKbd, 0x95}, std::nullopt},
        {{kKbd, 0x9C}, KEY_DELETE},
        {{kKbd, 0xA4}, std::nullopt},
        {{kKbd, 0xB6}, KEY_KPLEFTPAREN},
        {{kKbd, 0xB7}, KEY_KPRIGHTPAREN},
        {{kKbd, 0xD8}, KEY_DELETE},
        {{kKbd, 0xDD}, std::nullopt},
        {{kKbd, 0xE0}, KEY_LEFTCTRL},
        {{kKbd, 0xE1}, KEY_LEFTSHIFT},
        {{kKbd, 0xE3}, KEY_LEFTMETA},
        {{kKbd, 0xE6}, KEY_RIGHTALT},
        {{kKbd, 0xE7}, KEY_RIGHTMETA},
        {{kKbd, 0xE8}, KEY_PLAYPAUSE},
        {{kKbd, 0xEF}, KEY_MUTE},
        {{kKbd, 0xF8}, KEY_SLEEP},
        {{kKbd, 0xFB}, KEY_CALC},
        {{kKbd, 0xFC}, std::nullopt},
        {{kKbd, 0xFF}, std::nullopt},
        {{kKbd, 0x104}, std::nullopt}, // beyond the page's 8-bit usages
        // Consumer page.
        {{kCon, 0x000}, std::nullopt},
        {{kCon, 0x030}, KEY_POWER},
        {{kCon, 0x034}, KEY_SLEEP},
        {{kCon, 0x036}, std::nullopt}, // a button, not a key
        {{kCon, 0x040}, KEY_MENU},
        {{kCon, 0x06D}, KEY_ASPECT_RATIO},
        {{kCon, 0x072}, KEY_DISPLAYTOGGLE},
        {{kCon, 0x0B5}, KEY_NEXTSONG},
        {{kCon, 0x0B6}, KEY_PREVIOUSSONG},
        {{kCon, 0x0B7}, KEY_STOPCD},
        {{kCon, 0x0CD}, KEY_PLAYPAUSE},
        {{kCon, 0x0E0}, std::nullopt}, // Volume is an axis
        {{kCon, 0x0E2}, KEY_MUTE},
        {{kCon, 0x0E5}, KEY_BASSBOOST},
        {{kCon, 0x0E7}, std::nullopt},
        {{kCon, 0x0E9}, KEY_VOLUMEUP},
        {{kCon, 0x0EA}, KEY_VOLUMEDOWN},
        {{kCon, 0x183}, KEY_CONFIG},
        {{kCon, 0x18A}, KEY_MAIL},
        {{kCon, 0x192}, KEY_CALC},
        {{kCon, 0x194}, KEY_FILE},
        {{kCon, 0x221}, KEY_SEARCH},
        {{kCon, 0x223}, KEY_HOMEPAGE},
        {{kCon, 0x224}, KEY_BACK},
        {{kCon, 0x225}, KEY_FORWARD},
        {{kCon, 0x226}, KEY_STOP},
        {{kCon, 0x227}, KEY_REFRESH},
        {{kCon, 0x22A}, KEY_BOOKMARKS},
        {{kCon, 0x238}, std::nullopt}, // AC Pan is a wheel
        {{kCon, 0x2CC}, KEY_KBDINPUTASSIST_CANCEL},
        {{kCon, 0x2CD}, std::nullopt},
        {{kCon, 0xFFFF}, std::nullopt},
        // Generic desktop: the system controls only.
        {{kSys, 0x80}, std::nullopt},
        {{kSys, 0x81}, KEY_POWER},
        {{kSys, 0x82}, KEY_SLEEP},
        {{kSys, 0x83}, KEY_WAKEUP},
        {{kSys, 0x84}, std::nullopt},
        {{kSys, 0x30}, std::nullopt},
        {{kSys, 0x01}, std::nullopt},
        // Other pages.
        {{0x09, 0x01}, std::nullopt},
        {{0xFF00, 0x01}, std::nullopt},
        {{0x0107, 0x04}, std::nullopt},
    };
    for (const ForwardCase& c : cases) {
        SCOPED_TRACE(Describe(c.usage));
        EXPECT_EQ(KeyForUsage(c.usage), c.key);
    }
}

struct ReverseCase {
    std::uint16_t key;
    std::optional<HidUsage> usage;
};

TEST(EvdevUsageTable, KeyToUsage) {
    const ReverseCase cases[] = {
        {KEY_A, HidUsage{kKbd, 0x04}},
        {KEY_ENTER, HidUsage{kKbd, 0x28}},
        {KEY_KPENTER, HidUsage{kKbd, 0x58}},
        {KEY_LEFTSHIFT, HidUsage{kKbd, 0xE1}},
        {KEY_RIGHTMETA, HidUsage{kKbd, 0xE7}},
        // Several usages give these keys; the preferred one comes back.
        {KEY_BACKSLASH, HidUsage{kKbd, 0x31}},
        {KEY_DELETE, HidUsage{kKbd, 0x4C}},
        {KEY_UP, HidUsage{kKbd, 0x52}},   // not consumer Menu Up 0x42
        {KEY_ESC, HidUsage{kKbd, 0x29}},  // not consumer Menu Escape 0x46
        {KEY_HELP, HidUsage{kKbd, 0x75}}, // not consumer 0x95 or 0x1A6
        {KEY_STOP, HidUsage{kKbd, 0x78}}, // not 0xF3 or consumer 0x226
        {KEY_FIND, HidUsage{kKbd, 0x7E}},
        {KEY_POWER, HidUsage{kSys, 0x81}},
        {KEY_SLEEP, HidUsage{kSys, 0x82}},
        {KEY_WAKEUP, HidUsage{kSys, 0x83}},
        {KEY_MUTE, HidUsage{kCon, 0xE2}},
        {KEY_VOLUMEUP, HidUsage{kCon, 0xE9}},
        {KEY_VOLUMEDOWN, HidUsage{kCon, 0xEA}},
        {KEY_PLAYPAUSE, HidUsage{kCon, 0xCD}},
        {KEY_NEXTSONG, HidUsage{kCon, 0xB5}},
        {KEY_CALC, HidUsage{kCon, 0x192}},
        {KEY_WWW, HidUsage{kCon, 0x08A}},
        {KEY_BOOKMARKS, HidUsage{kCon, 0x182}},
        {KEY_MENU, HidUsage{kCon, 0x040}},
        {KEY_SEARCH, HidUsage{kCon, 0x221}},
        // No usage of ours gives these.
        {KEY_RESERVED, std::nullopt},
        {KEY_UNKNOWN, std::nullopt},
        {KEY_FN, std::nullopt},
        {KEY_MICMUTE, std::nullopt},
        {BTN_LEFT, std::nullopt},
        {BTN_MISC, std::nullopt},
        {KEY_MAX, std::nullopt},
        {KEY_CNT, std::nullopt},
        {0xFFFF, std::nullopt},
    };
    for (const ReverseCase& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(UsageForKey(c.key), c.usage);
    }
}

// The two directions agree: every key the forward table gives maps back to a
// usage that gives that same key, and the key list is exactly those keys.
TEST(EvdevUsageTable, DirectionsAgree) {
    const auto keys = KeysWithUsage();
    ASSERT_FALSE(keys.empty());
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
    EXPECT_EQ(std::count(keys.begin(), keys.end(), KEY_UNKNOWN), 0);
    EXPECT_EQ(std::count(keys.begin(), keys.end(), KEY_RESERVED), 0);

    std::size_t keyboardKeys = 0;
    for (const std::uint16_t page : {kKbd, kCon, kSys}) {
        for (unsigned u = 0; u <= 0xFFFF; ++u) {
            const HidUsage usage{page, static_cast<std::uint16_t>(u)};
            const auto key = KeyForUsage(usage);
            if (!key)
                continue;
            SCOPED_TRACE(Describe(usage));
            keyboardKeys += page == kKbd;
            EXPECT_TRUE(std::binary_search(keys.begin(), keys.end(), *key));
            const auto back = UsageForKey(*key);
            ASSERT_TRUE(back.has_value());
            EXPECT_EQ(KeyForUsage(*back), key);
        }
    }
    for (const std::uint16_t key : keys) {
        SCOPED_TRACE(key);
        EXPECT_TRUE(UsageForKey(key).has_value());
    }
    // 0x04-0x65 are all keys; so are the eight modifiers.
    EXPECT_GE(keyboardKeys, 0x62u + 8u);
}

TEST(EvdevUsageTable, MouseButtonsBothWays) {
    const std::uint16_t buttons[] = {BTN_LEFT,  BTN_RIGHT,   BTN_MIDDLE, BTN_SIDE,
                                     BTN_EXTRA, BTN_FORWARD, BTN_BACK,   BTN_TASK};
    for (unsigned bit = 0; bit < 8; ++bit) {
        SCOPED_TRACE(bit);
        EXPECT_EQ(MouseButtonKey(bit), buttons[bit]);
        EXPECT_EQ(MouseButtonBit(buttons[bit]), bit);
    }
    EXPECT_EQ(MouseButtonKey(8), std::nullopt);
    EXPECT_EQ(MouseButtonKey(~0u), std::nullopt);
    for (const int other : {KEY_A, BTN_MISC, BTN_0, BTN_TASK + 1})
        EXPECT_EQ(MouseButtonBit(static_cast<std::uint16_t>(other)), std::nullopt) << other;
}

} // namespace
} // namespace keywright::platform::lnx
