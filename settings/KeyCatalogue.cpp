#include "settings/KeyCatalogue.h"

#include <cstddef>
#include <iterator>

namespace keywright {

namespace {

// Marks a make or break code the translation table does not give.
constexpr std::uint32_t kNone = 0xFFFFFF;

// Multi-byte scan code sequences are packed big-endian: E0 52 is 0xE052 and
// E0 2A E0 37 is 0xE02AE037, so the first byte sent is the most significant.
constexpr KeyInfo Row(std::uint16_t page, std::uint16_t usage, std::uint32_t make,
                      std::uint32_t brk, std::string_view name) {
    return KeyInfo{usage, page, make, brk, kNone, name};
}

constexpr std::uint16_t kSys = kGenericDesktopPage;
constexpr std::uint16_t kKbd = kKeyboardPage;
constexpr std::uint16_t kCon = kConsumerPage;
constexpr std::uint16_t kMouse = kGenericDesktopPage;

// clang-format off
constexpr KeyInfo kRows[] = {
    // System controls (ACPI power keys).
    Row(kSys, 0x81, 0xE05E, 0xE0DE, "System Power"),
    Row(kSys, 0x82, 0xE05F, 0xE0DF, "System Sleep"),
    Row(kSys, 0x83, 0xE063, 0xE0E3, "System Wake"),

    // Keyboard page. Overrun Error and POST Fail are keyboard status bytes with
    // no release, so they carry a make code only.
    Row(kKbd, 0x00, kNone, kNone, "No Event"),
    Row(kKbd, 0x01, 0xFF,  kNone, "Overrun Error"),
    Row(kKbd, 0x02, 0xFC,  kNone, "POST Fail"),
    Row(kKbd, 0x03, kNone, kNone, "ErrorUndefined"),
    Row(kKbd, 0x04, 0x1E, 0x9E, "A"),
    Row(kKbd, 0x05, 0x30, 0xB0, "B"),
    Row(kKbd, 0x06, 0x2E, 0xAE, "C"),
    Row(kKbd, 0x07, 0x20, 0xA0, "D"),
    Row(kKbd, 0x08, 0x12, 0x92, "E"),
    Row(kKbd, 0x09, 0x21, 0xA1, "F"),
    Row(kKbd, 0x0A, 0x22, 0xA2, "G"),
    Row(kKbd, 0x0B, 0x23, 0xA3, "H"),
    Row(kKbd, 0x0C, 0x17, 0x97, "I"),
    Row(kKbd, 0x0D, 0x24, 0xA4, "J"),
    Row(kKbd, 0x0E, 0x25, 0xA5, "K"),
    Row(kKbd, 0x0F, 0x26, 0xA6, "L"),
    Row(kKbd, 0x10, 0x32, 0xB2, "M"),
    Row(kKbd, 0x11, 0x31, 0xB1, "N"),
    Row(kKbd, 0x12, 0x18, 0x98, "O"),
    Row(kKbd, 0x13, 0x19, 0x99, "P"),
    Row(kKbd, 0x14, 0x10, 0x90, "Q"),
    Row(kKbd, 0x15, 0x13, 0x93, "R"),
    Row(kKbd, 0x16, 0x1F, 0x9F, "S"),
    Row(kKbd, 0x17, 0x14, 0x94, "T"),
    Row(kKbd, 0x18, 0x16, 0x96, "U"),
    Row(kKbd, 0x19, 0x2F, 0xAF, "V"),
    Row(kKbd, 0x1A, 0x11, 0x91, "W"),
    Row(kKbd, 0x1B, 0x2D, 0xAD, "X"),
    Row(kKbd, 0x1C, 0x15, 0x95, "Y"),
    Row(kKbd, 0x1D, 0x2C, 0xAC, "Z"),
    Row(kKbd, 0x1E, 0x02, 0x82, "1"),
    Row(kKbd, 0x1F, 0x03, 0x83, "2"),
    Row(kKbd, 0x20, 0x04, 0x84, "3"),
    Row(kKbd, 0x21, 0x05, 0x85, "4"),
    Row(kKbd, 0x22, 0x06, 0x86, "5"),
    Row(kKbd, 0x23, 0x07, 0x87, "6"),
    Row(kKbd, 0x24, 0x08, 0x88, "7"),
    Row(kKbd, 0x25, 0x09, 0x89, "8"),
    Row(kKbd, 0x26, 0x0A, 0x8A, "9"),
    Row(kKbd, 0x27, 0x0B, 0x8B, "0"),
    Row(kKbd, 0x28, 0x1C, 0x9C, "Return"),
    Row(kKbd, 0x29, 0x01, 0x81, "Escape"),
    Row(kKbd, 0x2A, 0x0E, 0x8E, "Backspace"),
    Row(kKbd, 0x2B, 0x0F, 0x8F, "Tab"),
    Row(kKbd, 0x2C, 0x39, 0xB9, "Space"),
    Row(kKbd, 0x2D, 0x0C, 0x8C, "-"),
    Row(kKbd, 0x2E, 0x0D, 0x8D, "="),
    Row(kKbd, 0x2F, 0x1A, 0x9A, "["),
    Row(kKbd, 0x30, 0x1B, 0x9B, "]"),
    Row(kKbd, 0x31, 0x2B, 0xAB, "\\"),
    Row(kKbd, 0x32, 0x2B, 0xAB, "Europe 1"), // shares its set 1 code with backslash
    Row(kKbd, 0x33, 0x27, 0xA7, ";"),
    Row(kKbd, 0x34, 0x28, 0xA8, "'"),
    Row(kKbd, 0x35, 0x29, 0xA9, "`"),
    Row(kKbd, 0x36, 0x33, 0xB3, ","),
    Row(kKbd, 0x37, 0x34, 0xB4, "."),
    Row(kKbd, 0x38, 0x35, 0xB5, "/"),
    Row(kKbd, 0x39, 0x3A, 0xBA, "Caps Lock"),
    Row(kKbd, 0x3A, 0x3B, 0xBB, "F1"),
    Row(kKbd, 0x3B, 0x3C, 0xBC, "F2"),
    Row(kKbd, 0x3C, 0x3D, 0xBD, "F3"),
    Row(kKbd, 0x3D, 0x3E, 0xBE, "F4"),
    Row(kKbd, 0x3E, 0x3F, 0xBF, "F5"),
    Row(kKbd, 0x3F, 0x40, 0xC0, "F6"),
    Row(kKbd, 0x40, 0x41, 0xC1, "F7"),
    Row(kKbd, 0x41, 0x42, 0xC2, "F8"),
    Row(kKbd, 0x42, 0x43, 0xC3, "F9"),
    Row(kKbd, 0x43, 0x44, 0xC4, "F10"),
    Row(kKbd, 0x44, 0x57, 0xD7, "F11"),
    Row(kKbd, 0x45, 0x58, 0xD8, "F12"),
    Row(kKbd, 0x46, 0xE02AE037, 0xE0B7E0AA, "Print Screen"),
    Row(kKbd, 0x47, 0x46, 0xC6, "Scroll Lock"),
    // Pause sends E1 1D 45 E1 9D C5 on press and nothing on release. Six bytes
    // do not fit, so the row keeps the first E1 1D 45 (the press half that
    // identifies the key) and drops the E1 9D C5 that always follows it.
    Row(kKbd, 0x48, 0xE11D45, kNone, "Break"),
    Row(kKbd, 0x49, 0xE052, 0xE0D2, "Insert"),
    Row(kKbd, 0x4A, 0xE047, 0xE0C7, "Home"),
    Row(kKbd, 0x4B, 0xE049, 0xE0C9, "Page Up"),
    Row(kKbd, 0x4C, 0xE053, 0xE0D3, "Delete"),
    Row(kKbd, 0x4D, 0xE04F, 0xE0CF, "End"),
    Row(kKbd, 0x4E, 0xE051, 0xE0D1, "Page Down"),
    Row(kKbd, 0x4F, 0xE04D, 0xE0CD, "Right Arrow"),
    Row(kKbd, 0x50, 0xE04B, 0xE0CB, "Left Arrow"),
    Row(kKbd, 0x51, 0xE050, 0xE0D0, "Down Arrow"),
    Row(kKbd, 0x52, 0xE048, 0xE0C8, "Up Arrow"),
    Row(kKbd, 0x53, 0x45, 0xC5, "Num Lock"),
    Row(kKbd, 0x54, 0xE035, 0xE0B5, "Keypad /"),
    Row(kKbd, 0x55, 0x37, 0xB7, "Keypad *"),
    Row(kKbd, 0x56, 0x4A, 0xCA, "Keypad -"),
    Row(kKbd, 0x57, 0x4E, 0xCE, "Keypad +"),
    Row(kKbd, 0x58, 0xE01C, 0xE09C, "Keypad Enter"),
    Row(kKbd, 0x59, 0x4F, 0xCF, "Keypad 1"),
    Row(kKbd, 0x5A, 0x50, 0xD0, "Keypad 2"),
    Row(kKbd, 0x5B, 0x51, 0xD1, "Keypad 3"),
    Row(kKbd, 0x5C, 0x4B, 0xCB, "Keypad 4"),
    Row(kKbd, 0x5D, 0x4C, 0xCC, "Keypad 5"),
    Row(kKbd, 0x5E, 0x4D, 0xCD, "Keypad 6"),
    Row(kKbd, 0x5F, 0x47, 0xC7, "Keypad 7"),
    Row(kKbd, 0x60, 0x48, 0xC8, "Keypad 8"),
    Row(kKbd, 0x61, 0x49, 0xC9, "Keypad 9"),
    Row(kKbd, 0x62, 0x52, 0xD2, "Keypad 0"),
    Row(kKbd, 0x63, 0x53, 0xD3, "Keypad ."),
    Row(kKbd, 0x64, 0x56, 0xD6, "Europe 2"),
    Row(kKbd, 0x65, 0xE05D, 0xE0DD, "App"),
    Row(kKbd, 0x66, 0xE05E, 0xE0DE, "Power"),
    Row(kKbd, 0x67, 0x59, 0xD9, "Keypad ="),
    Row(kKbd, 0x68, 0x64, 0xE4, "F13"),
    Row(kKbd, 0x69, 0x65, 0xE5, "F14"),
    Row(kKbd, 0x6A, 0x66, 0xE6, "F15"),
    Row(kKbd, 0x6B, 0x67, 0xE7, "F16"),
    Row(kKbd, 0x6C, 0x68, 0xE8, "F17"),
    Row(kKbd, 0x6D, 0x69, 0xE9, "F18"),
    Row(kKbd, 0x6E, 0x6A, 0xEA, "F19"),
    Row(kKbd, 0x6F, 0x6B, 0xEB, "F20"),
    Row(kKbd, 0x70, 0x6C, 0xEC, "F21"),
    Row(kKbd, 0x71, 0x6D, 0xED, "F22"),
    Row(kKbd, 0x72, 0x6E, 0xEE, "F23"),
    Row(kKbd, 0x73, 0x76, 0xF6, "F24"),
    Row(kKbd, 0x74, kNone, kNone, "Execute"),
    Row(kKbd, 0x75, kNone, kNone, "Help"),
    Row(kKbd, 0x76, kNone, kNone, "Menu"),
    Row(kKbd, 0x77, kNone, kNone, "Select"),
    Row(kKbd, 0x78, kNone, kNone, "Stop"),
    Row(kKbd, 0x79, kNone, kNone, "Again"),
    Row(kKbd, 0x7A, kNone, kNone, "Undo"),
    Row(kKbd, 0x7B, kNone, kNone, "Cut"),
    Row(kKbd, 0x7C, kNone, kNone, "Copy"),
    Row(kKbd, 0x7D, kNone, kNone, "Paste"),
    Row(kKbd, 0x7E, kNone, kNone, "Find"),
    Row(kKbd, 0x7F, kNone, kNone, "Mute"),
    Row(kKbd, 0x80, kNone, kNone, "Volume Up"),
    Row(kKbd, 0x81, kNone, kNone, "Volume Dn"),
    Row(kKbd, 0x82, kNone, kNone, "Locking Caps Lock"),
    Row(kKbd, 0x83, kNone, kNone, "Locking Num Lock"),
    Row(kKbd, 0x84, kNone, kNone, "Locking Scroll Lock"),
    Row(kKbd, 0x85, 0x7E, 0xFE, "Keypad , "), // the trailing blank is part of the name
    Row(kKbd, 0x86, kNone, kNone, "Equal Sign"),
    Row(kKbd, 0x87, 0x73, 0xF3, "Int'l 1"),
    Row(kKbd, 0x88, 0x70, 0xF0, "Int'l 2"),
    Row(kKbd, 0x89, 0x7D, 0xFD, "Int'l 3"),
    Row(kKbd, 0x8A, 0x79, 0xF9, "Int'l 4"),
    Row(kKbd, 0x8B, 0x7B, 0xFB, "Int'l 5"),
    Row(kKbd, 0x8C, 0x5C, 0xDC, "Int'l 6"),
    Row(kKbd, 0x8D, kNone, kNone, "Int'l 7"),
    Row(kKbd, 0x8E, kNone, kNone, "Int'l 8"),
    Row(kKbd, 0x8F, kNone, kNone, "Int'l 9"),
    // Lang 1 and Lang 2 (Hangul, Hanja) send a single byte on press only.
    Row(kKbd, 0x90, 0xF2, kNone, "Lang 1"),
    Row(kKbd, 0x91, 0xF1, kNone, "Lang 2"),
    Row(kKbd, 0x92, 0x78, 0xF8, "Lang 3"),
    Row(kKbd, 0x93, 0x77, 0xF7, "Lang 4"),
    Row(kKbd, 0x94, 0x76, 0xF6, "Lang 5"), // same set 1 code as F24
    Row(kKbd, 0x95, kNone, kNone, "Lang 6"),
    Row(kKbd, 0x96, kNone, kNone, "Lang 7"),
    Row(kKbd, 0x97, kNone, kNone, "Lang 8"),
    Row(kKbd, 0x98, kNone, kNone, "Lang 9"),
    Row(kKbd, 0x99, kNone, kNone, "Alternate Erase"),
    Row(kKbd, 0x9A, kNone, kNone, "SysReq Attention"),
    Row(kKbd, 0x9B, kNone, kNone, "Cancel"),
    Row(kKbd, 0x9C, kNone, kNone, "Clear"),
    Row(kKbd, 0x9D, kNone, kNone, "Prior"),
    Row(kKbd, 0x9E, kNone, kNone, "Return"),
    Row(kKbd, 0x9F, kNone, kNone, "Separator"),
    Row(kKbd, 0xA0, kNone, kNone, "Out"),
    Row(kKbd, 0xA1, kNone, kNone, "Oper"),
    Row(kKbd, 0xA2, kNone, kNone, "Clear Again"),
    Row(kKbd, 0xA3, kNone, kNone, "CrSel Props"),
    Row(kKbd, 0xA4, kNone, kNone, "ExSel"),
    Row(kKbd, 0xE0, 0x1D, 0x9D, "Left Control"),
    Row(kKbd, 0xE1, 0x2A, 0xAA, "Left Shift"),
    Row(kKbd, 0xE2, 0x38, 0xB8, "Left Alt"),
    Row(kKbd, 0xE3, 0xE05B, 0xE0DB, "Left GUI"),
    Row(kKbd, 0xE4, 0xE01D, 0xE09D, "Right Control"),
    Row(kKbd, 0xE5, 0x36, 0xB6, "Right Shift"),
    Row(kKbd, 0xE6, 0xE038, 0xE0B8, "Right Alt"),
    Row(kKbd, 0xE7, 0xE05C, 0xE0DC, "Right GUI"),

    // Consumer controls.
    Row(kCon, 0x0B5, 0xE019, 0xE099, "Scan Next Track"),
    Row(kCon, 0x0B6, 0xE010, 0xE090, "Scan Previous Track"),
    Row(kCon, 0x0B7, 0xE024, 0xE0A4, "Stop"),
    Row(kCon, 0x0CD, 0xE022, 0xE0A2, "Play Pause"),
    Row(kCon, 0x0E2, 0xE020, 0xE0A0, "Mute"),
    Row(kCon, 0x0E5, kNone, kNone, "Bass Boost"),
    Row(kCon, 0x0E7, kNone, kNone, "Loudness"),
    Row(kCon, 0x0E9, 0xE030, 0xE0B0, "Volume Up"),
    Row(kCon, 0x0EA, 0xE02E, 0xE0AE, "Volume Down"),
    Row(kCon, 0x152, kNone, kNone, "Bass Up"),
    Row(kCon, 0x153, kNone, kNone, "Bass Down"),
    Row(kCon, 0x154, kNone, kNone, "Treble Up"),
    Row(kCon, 0x155, kNone, kNone, "Treble Down"),
    Row(kCon, 0x183, 0xE06D, 0xE0ED, "Media Select"),
    Row(kCon, 0x18A, 0xE06C, 0xE0EC, "Mail"),
    Row(kCon, 0x192, 0xE021, 0xE0A1, "Calculator"),
    Row(kCon, 0x194, 0xE06B, 0xE0EB, "My Computer"),
    Row(kCon, 0x221, 0xE065, 0xE0E5, "WWW Search"),
    Row(kCon, 0x223, 0xE032, 0xE0B2, "WWW Home"),
    Row(kCon, 0x224, 0xE06A, 0xE0EA, "WWW Back"),
    Row(kCon, 0x225, 0xE069, 0xE0E9, "WWW Forward"),
    Row(kCon, 0x226, 0xE068, 0xE0E8, "WWW Stop"),
    Row(kCon, 0x227, 0xE067, 0xE0E7, "WWW Refresh"),
    Row(kCon, 0x22A, 0xE066, 0xE0E6, "WWW Favorites"),

    // Mouse buttons 1..5 on the generic desktop page (our own convention); a
    // PS/2 keyboard has no scan code for them.
    Row(kMouse, 0x01, kNone, kNone, "Mouse Left"),
    Row(kMouse, 0x02, kNone, kNone, "Mouse Middle"),
    Row(kMouse, 0x03, kNone, kNone, "Mouse Right"),
    Row(kMouse, 0x04, kNone, kNone, "Mouse Left Side"),
    Row(kMouse, 0x05, kNone, kNone, "Mouse Right Side"),
};
// clang-format on

static_assert(std::size(kRows) == 205, "the catalogue has exactly 205 rows");

// Lookup returns the first match, so a repeated page+usage would silently
// hide the later row; refuse to build instead.
constexpr bool CodesAreUnique() {
    for (std::size_t i = 0; i < std::size(kRows); ++i) {
        for (std::size_t j = i + 1; j < std::size(kRows); ++j) {
            if (kRows[i].Code() == kRows[j].Code()) {
                return false;
            }
        }
    }
    return true;
}
static_assert(CodesAreUnique(), "no two catalogue rows may share page and usage");

// Returned by reference for every failed lookup, so it must outlive callers.
constexpr KeyInfo kEmptyRow{};

} // namespace

std::span<const KeyInfo> KeyCatalogue() {
    return kRows;
}

const KeyInfo& FindKeyInfo(KeyCode code) {
    for (const KeyInfo& row : kRows) {
        if (row.Code() == code) {
            return row;
        }
    }
    return kEmptyRow;
}

const KeyInfo& FindKeyInfo(std::uint16_t usage, std::uint16_t page) {
    return FindKeyInfo(MakeKeyCode(page, usage));
}

} // namespace keywright
