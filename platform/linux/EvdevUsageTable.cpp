#include "platform/linux/EvdevUsageTable.h"

#include <algorithm>
#include <array>
#include <linux/input-event-codes.h>
#include <vector>

namespace keywright::platform::lnx {
namespace {

struct Row {
    std::uint16_t usage;
    std::uint16_t key;
};

// Keyboard page, in usage order. Usages not listed (0x00-0x03, the gaps at
// 0x82-0x84, 0x86, 0x8D-0x8F, 0x95-0x9B, 0x9D-0xB5, 0xB8-0xD7, 0xD9-0xDF,
// 0xFC-0xFF) have no key.
constexpr Row kKeyboardRows[] = {
    {0x04, KEY_A},
    {0x05, KEY_B},
    {0x06, KEY_C},
    {0x07, KEY_D},
    {0x08, KEY_E},
    {0x09, KEY_F},
    {0x0A, KEY_G},
    {0x0B, KEY_H},
    {0x0C, KEY_I},
    {0x0D, KEY_J},
    {0x0E, KEY_K},
    {0x0F, KEY_L},
    {0x10, KEY_M},
    {0x11, KEY_N},
    {0x12, KEY_O},
    {0x13, KEY_P},
    {0x14, KEY_Q},
    {0x15, KEY_R},
    {0x16, KEY_S},
    {0x17, KEY_T},
    {0x18, KEY_U},
    {0x19, KEY_V},
    {0x1A, KEY_W},
    {0x1B, KEY_X},
    {0x1C, KEY_Y},
    {0x1D, KEY_Z},
    {0x1E, KEY_1},
    {0x1F, KEY_2},
    {0x20, KEY_3},
    {0x21, KEY_4},
    {0x22, KEY_5},
    {0x23, KEY_6},
    {0x24, KEY_7},
    {0x25, KEY_8},
    {0x26, KEY_9},
    {0x27, KEY_0},
    {0x28, KEY_ENTER},
    {0x29, KEY_ESC},
    {0x2A, KEY_BACKSPACE},
    {0x2B, KEY_TAB},
    {0x2C, KEY_SPACE},
    {0x2D, KEY_MINUS},
    {0x2E, KEY_EQUAL},
    {0x2F, KEY_LEFTBRACE},
    {0x30, KEY_RIGHTBRACE},
    {0x31, KEY_BACKSLASH},
    {0x32, KEY_BACKSLASH}, // Non-US # and ~
    {0x33, KEY_SEMICOLON},
    {0x34, KEY_APOSTROPHE},
    {0x35, KEY_GRAVE},
    {0x36, KEY_COMMA},
    {0x37, KEY_DOT},
    {0x38, KEY_SLASH},
    {0x39, KEY_CAPSLOCK},
    {0x3A, KEY_F1},
    {0x3B, KEY_F2},
    {0x3C, KEY_F3},
    {0x3D, KEY_F4},
    {0x3E, KEY_F5},
    {0x3F, KEY_F6},
    {0x40, KEY_F7},
    {0x41, KEY_F8},
    {0x42, KEY_F9},
    {0x43, KEY_F10},
    {0x44, KEY_F11},
    {0x45, KEY_F12},
    {0x46, KEY_SYSRQ},
    {0x47, KEY_SCROLLLOCK},
    {0x48, KEY_PAUSE},
    {0x49, KEY_INSERT},
    {0x4A, KEY_HOME},
    {0x4B, KEY_PAGEUP},
    {0x4C, KEY_DELETE},
    {0x4D, KEY_END},
    {0x4E, KEY_PAGEDOWN},
    {0x4F, KEY_RIGHT},
    {0x50, KEY_LEFT},
    {0x51, KEY_DOWN},
    {0x52, KEY_UP},
    {0x53, KEY_NUMLOCK},
    {0x54, KEY_KPSLASH},
    {0x55, KEY_KPASTERISK},
    {0x56, KEY_KPMINUS},
    {0x57, KEY_KPPLUS},
    {0x58, KEY_KPENTER},
    {0x59, KEY_KP1},
    {0x5A, KEY_KP2},
    {0x5B, KEY_KP3},
    {0x5C, KEY_KP4},
    {0x5D, KEY_KP5},
    {0x5E, KEY_KP6},
    {0x5F, KEY_KP7},
    {0x60, KEY_KP8},
    {0x61, KEY_KP9},
    {0x62, KEY_KP0},
    {0x63, KEY_KPDOT},
    {0x64, KEY_102ND},
    {0x65, KEY_COMPOSE},
    {0x66, KEY_POWER},
    {0x67, KEY_KPEQUAL},
    {0x68, KEY_F13},
    {0x69, KEY_F14},
    {0x6A, KEY_F15},
    {0x6B, KEY_F16},
    {0x6C, KEY_F17},
    {0x6D, KEY_F18},
    {0x6E, KEY_F19},
    {0x6F, KEY_F20},
    {0x70, KEY_F21},
    {0x71, KEY_F22},
    {0x72, KEY_F23},
    {0x73, KEY_F24},
    {0x74, KEY_OPEN}, // Execute
    {0x75, KEY_HELP},
    {0x76, KEY_PROPS}, // Menu
    {0x77, KEY_FRONT}, // Select
    {0x78, KEY_STOP},
    {0x79, KEY_AGAIN},
    {0x7A, KEY_UNDO},
    {0x7B, KEY_CUT},
    {0x7C, KEY_COPY},
    {0x7D, KEY_PASTE},
    {0x7E, KEY_FIND},
    {0x7F, KEY_MUTE},
    {0x80, KEY_VOLUMEUP},
    {0x81, KEY_VOLUMEDOWN},
    {0x85, KEY_KPCOMMA},
    {0x87, KEY_RO},               // International 1
    {0x88, KEY_KATAKANAHIRAGANA}, // International 2
    {0x89, KEY_YEN},              // International 3
    {0x8A, KEY_HENKAN},           // International 4
    {0x8B, KEY_MUHENKAN},         // International 5
    {0x8C, KEY_KPJPCOMMA},        // International 6
    {0x90, KEY_HANGEUL},          // LANG1
    {0x91, KEY_HANJA},            // LANG2
    {0x92, KEY_KATAKANA},         // LANG3
    {0x93, KEY_HIRAGANA},         // LANG4
    {0x94, KEY_ZENKAKUHANKAKU},   // LANG5
    {0x9C, KEY_DELETE},           // Clear
    {0xB6, KEY_KPLEFTPAREN},
    {0xB7, KEY_KPRIGHTPAREN},
    {0xD8, KEY_DELETE}, // Keypad Clear
    {0xE0, KEY_LEFTCTRL},
    {0xE1, KEY_LEFTSHIFT},
    {0xE2, KEY_LEFTALT},
    {0xE3, KEY_LEFTMETA},
    {0xE4, KEY_RIGHTCTRL},
    {0xE5, KEY_RIGHTSHIFT},
    {0xE6, KEY_RIGHTALT},
    {0xE7, KEY_RIGHTMETA},
    // Not in the HID usage tables; hid-input accepts them as media keys.
    {0xE8, KEY_PLAYPAUSE},
    {0xE9, KEY_STOPCD},
    {0xEA, KEY_PREVIOUSSONG},
    {0xEB, KEY_NEXTSONG},
    {0xEC, KEY_EJECTCD},
    {0xED, KEY_VOLUMEUP},
    {0xEE, KEY_VOLUMEDOWN},
    {0xEF, KEY_MUTE},
    {0xF0, KEY_WWW},
    {0xF1, KEY_BACK},
    {0xF2, KEY_FORWARD},
    {0xF3, KEY_STOP},
    {0xF4, KEY_FIND},
    {0xF5, KEY_SCROLLUP},
    {0xF6, KEY_SCROLLDOWN},
    {0xF7, KEY_EDIT},
    {0xF8, KEY_SLEEP},
    {0xF9, KEY_COFFEE},
    {0xFA, KEY_REFRESH},
    {0xFB, KEY_CALC},
};

// Consumer page, in usage order.
constexpr Row kConsumerRows[] = {
    {0x030, KEY_POWER},
    {0x031, KEY_RESTART},
    {0x032, KEY_SLEEP},
    {0x034, KEY_SLEEP},
    {0x035, KEY_KBDILLUMTOGGLE},
    {0x040, KEY_MENU},
    {0x041, KEY_SELECT},
    {0x042, KEY_UP},
    {0x043, KEY_DOWN},
    {0x044, KEY_LEFT},
    {0x045, KEY_RIGHT},
    {0x046, KEY_ESC},
    {0x047, KEY_KPPLUS},
    {0x048, KEY_KPMINUS},
    {0x060, KEY_INFO},
    {0x061, KEY_SUBTITLE},
    {0x063, KEY_VCR},
    {0x065, KEY_CAMERA},
    {0x069, KEY_RED},
    {0x06A, KEY_GREEN},
    {0x06B, KEY_BLUE},
    {0x06C, KEY_YELLOW},
    {0x06D, KEY_ASPECT_RATIO},
    {0x06F, KEY_BRIGHTNESSUP},
    {0x070, KEY_BRIGHTNESSDOWN},
    {0x072, KEY_BRIGHTNESS_TOGGLE},
    {0x073, KEY_BRIGHTNESS_MIN},
    {0x074, KEY_BRIGHTNESS_MAX},
    {0x075, KEY_BRIGHTNESS_AUTO},
    {0x079, KEY_KBDILLUMUP},
    {0x07A, KEY_KBDILLUMDOWN},
    {0x07C, KEY_KBDILLUMTOGGLE},
    {0x082, KEY_VIDEO_NEXT},
    {0x083, KEY_LAST},
    {0x084, KEY_ENTER},
    {0x088, KEY_PC},
    {0x089, KEY_TV},
    {0x08A, KEY_WWW},
    {0x08B, KEY_DVD},
    {0x08C, KEY_PHONE},
    {0x08D, KEY_PROGRAM},
    {0x08E, KEY_VIDEOPHONE},
    {0x08F, KEY_GAMES},
    {0x090, KEY_MEMO},
    {0x091, KEY_CD},
    {0x092, KEY_VCR},
    {0x093, KEY_TUNER},
    {0x094, KEY_EXIT},
    {0x095, KEY_HELP},
    {0x096, KEY_TAPE},
    {0x097, KEY_TV2},
    {0x098, KEY_SAT},
    {0x09A, KEY_PVR},
    {0x09C, KEY_CHANNELUP},
    {0x09D, KEY_CHANNELDOWN},
    {0x0A0, KEY_VCR2},
    {0x0B0, KEY_PLAY},
    {0x0B1, KEY_PAUSE},
    {0x0B2, KEY_RECORD},
    {0x0B3, KEY_FASTFORWARD},
    {0x0B4, KEY_REWIND},
    {0x0B5, KEY_NEXTSONG},
    {0x0B6, KEY_PREVIOUSSONG},
    {0x0B7, KEY_STOPCD},
    {0x0B8, KEY_EJECTCD},
    {0x0B9, KEY_SHUFFLE},
    {0x0BC, KEY_MEDIA_REPEAT},
    {0x0BF, KEY_SLOW},
    {0x0CD, KEY_PLAYPAUSE},
    {0x0CF, KEY_VOICECOMMAND},
    {0x0D8, KEY_DICTATE},
    {0x0D9, KEY_EMOJI_PICKER},
    {0x0E2, KEY_MUTE},
    {0x0E5, KEY_BASSBOOST},
    {0x0E9, KEY_VOLUMEUP},
    {0x0EA, KEY_VOLUMEDOWN},
    {0x0F5, KEY_SLOW},
    {0x181, KEY_BUTTONCONFIG},
    {0x182, KEY_BOOKMARKS},
    {0x183, KEY_CONFIG},
    {0x184, KEY_WORDPROCESSOR},
    {0x185, KEY_EDITOR},
    {0x186, KEY_SPREADSHEET},
    {0x187, KEY_GRAPHICSEDITOR},
    {0x188, KEY_PRESENTATION},
    {0x189, KEY_DATABASE},
    {0x18A, KEY_MAIL},
    {0x18B, KEY_NEWS},
    {0x18C, KEY_VOICEMAIL},
    {0x18D, KEY_ADDRESSBOOK},
    {0x18E, KEY_CALENDAR},
    {0x18F, KEY_TASKMANAGER},
    {0x190, KEY_JOURNAL},
    {0x191, KEY_FINANCE},
    {0x192, KEY_CALC},
    {0x193, KEY_PLAYER},
    {0x194, KEY_FILE},
    {0x196, KEY_WWW},
    {0x199, KEY_CHAT},
    {0x19C, KEY_LOGOFF},
    {0x19E, KEY_COFFEE},
    {0x19F, KEY_CONTROLPANEL},
    {0x1A2, KEY_APPSELECT},
    {0x1A3, KEY_NEXT},
    {0x1A4, KEY_PREVIOUS},
    {0x1A6, KEY_HELP},
    {0x1A7, KEY_DOCUMENTS},
    {0x1AB, KEY_SPELLCHECK},
    {0x1AE, KEY_KEYBOARD},
    {0x1B1, KEY_SCREENSAVER},
    {0x1B4, KEY_FILE},
    {0x1B6, KEY_IMAGES},
    {0x1B7, KEY_AUDIO},
    {0x1B8, KEY_VIDEO},
    {0x1BC, KEY_MESSENGER},
    {0x1BD, KEY_INFO},
    {0x1CB, KEY_ASSISTANT},
    {0x201, KEY_NEW},
    {0x202, KEY_OPEN},
    {0x203, KEY_CLOSE},
    {0x204, KEY_EXIT},
    {0x207, KEY_SAVE},
    {0x208, KEY_PRINT},
    {0x209, KEY_PROPS},
    {0x21A, KEY_UNDO},
    {0x21B, KEY_COPY},
    {0x21C, KEY_CUT},
    {0x21D, KEY_PASTE},
    {0x21F, KEY_FIND},
    {0x221, KEY_SEARCH},
    {0x222, KEY_GOTO},
    {0x223, KEY_HOMEPAGE},
    {0x224, KEY_BACK},
    {0x225, KEY_FORWARD},
    {0x226, KEY_STOP},
    {0x227, KEY_REFRESH},
    {0x22A, KEY_BOOKMARKS},
    {0x22D, KEY_ZOOMIN},
    {0x22E, KEY_ZOOMOUT},
    {0x22F, KEY_ZOOMRESET},
    {0x232, KEY_FULL_SCREEN},
    {0x233, KEY_SCROLLUP},
    {0x234, KEY_SCROLLDOWN},
    {0x23D, KEY_EDIT},
    {0x25F, KEY_CANCEL},
    {0x269, KEY_INSERT},
    {0x26A, KEY_DELETE},
    {0x279, KEY_REDO},
    {0x289, KEY_REPLY},
    {0x28B, KEY_FORWARDMAIL},
    {0x28C, KEY_SEND},
    {0x29D, KEY_KBD_LAYOUT_NEXT},
    {0x29F, KEY_SCALE},
    {0x2A2, KEY_ALL_APPLICATIONS},
    {0x2C7, KEY_KBDINPUTASSIST_PREV},
    {0x2C8, KEY_KBDINPUTASSIST_NEXT},
    {0x2C9, KEY_KBDINPUTASSIST_PREVGROUP},
    {0x2CA, KEY_KBDINPUTASSIST_NEXTGROUP},
    {0x2CB, KEY_KBDINPUTASSIST_ACCEPT},
    {0x2CC, KEY_KBDINPUTASSIST_CANCEL},
};

// Generic-desktop system controls.
constexpr Row kSystemRows[] = {
    {0x81, KEY_POWER},
    {0x82, KEY_SLEEP},
    {0x83, KEY_WAKEUP},
};

constexpr std::uint16_t kMouseButtons[kMouseButtonBits] = {
    BTN_LEFT, BTN_RIGHT, BTN_MIDDLE, BTN_SIDE, BTN_EXTRA, BTN_FORWARD, BTN_BACK, BTN_TASK,
};

template <std::size_t N>
std::optional<std::uint16_t> Find(const Row (&rows)[N], std::uint16_t usage) {
    const auto it = std::lower_bound(std::begin(rows), std::end(rows), usage,
                                     [](const Row& row, std::uint16_t u) { return row.usage < u; });
    if (it == std::end(rows) || it->usage != usage)
        return std::nullopt;
    return it->key;
}

// The keyboard page's own Mute and Volume usages: consumer rows win over them.
constexpr bool IsKeyboardVolume(std::uint16_t usage) {
    return usage >= 0x7F && usage <= 0x81;
}
constexpr bool IsKeyboardMedia(std::uint16_t usage) {
    return usage >= 0xE8;
}

using Reverse = std::array<std::optional<HidUsage>, KEY_CNT>;

// Filled in the order of preference that UsageForKey documents: the first
// usage to claim a key keeps it.
Reverse BuildReverse() {
    Reverse reverse{};
    const auto claim = [&](std::uint16_t page, const Row& row) {
        if (!reverse[row.key])
            reverse[row.key] = HidUsage{page, row.usage};
    };
    for (const Row& row : kSystemRows)
        claim(kGenericDesktopPage, row);
    for (const Row& row : kKeyboardRows)
        if (!IsKeyboardVolume(row.usage) && !IsKeyboardMedia(row.usage))
            claim(kKeyboardPage, row);
    for (const Row& row : kConsumerRows)
        claim(kConsumerPage, row);
    for (const Row& row : kKeyboardRows)
        claim(kKeyboardPage, row);
    return reverse;
}

std::vector<std::uint16_t> BuildKeys() {
    std::vector<std::uint16_t> keys;
    for (const Row& row : kKeyboardRows)
        keys.push_back(row.key);
    for (const Row& row : kConsumerRows)
        keys.push_back(row.key);
    for (const Row& row : kSystemRows)
        keys.push_back(row.key);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

constexpr bool Ascending(const Row* begin, const Row* end) {
    for (const Row* row = begin; row + 1 < end; ++row)
        if (row->usage >= (row + 1)->usage)
            return false;
    return true;
}
static_assert(Ascending(std::begin(kKeyboardRows), std::end(kKeyboardRows)),
              "keyboard rows must be in usage order, each usage once");
static_assert(Ascending(std::begin(kConsumerRows), std::end(kConsumerRows)),
              "consumer rows must be in usage order, each usage once");
static_assert(Ascending(std::begin(kSystemRows), std::end(kSystemRows)),
              "system rows must be in usage order, each usage once");

} // namespace

std::optional<std::uint16_t> KeyForUsage(HidUsage usage) {
    switch (usage.page) {
    case kKeyboardPage:
        return Find(kKeyboardRows, usage.usage);
    case kConsumerPage:
        return Find(kConsumerRows, usage.usage);
    case kGenericDesktopPage:
        return Find(kSystemRows, usage.usage);
    default:
        return std::nullopt;
    }
}

std::optional<HidUsage> UsageForKey(std::uint16_t code) {
    static const Reverse reverse = BuildReverse();
    if (code >= reverse.size())
        return std::nullopt;
    return reverse[code];
}

std::span<const std::uint16_t> KeysWithUsage() {
    static const std::vector<std::uint16_t> keys = BuildKeys();
    return keys;
}

std::optional<std::uint16_t> MouseButtonKey(unsigned bit) {
    if (bit >= kMouseButtonBits)
        return std::nullopt;
    return kMouseButtons[bit];
}

std::optional<unsigned> MouseButtonBit(std::uint16_t code) {
    for (unsigned bit = 0; bit < kMouseButtonBits; ++bit)
        if (kMouseButtons[bit] == code)
            return bit;
    return std::nullopt;
}

} // namespace keywright::platform::lnx
