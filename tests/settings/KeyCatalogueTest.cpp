#include "settings/KeyCatalogue.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

using keywright::FindKeyInfo;
using keywright::KeyCatalogue;
using keywright::KeyCode;
using keywright::KeyInfo;

namespace {

constexpr std::uint32_t kNone = 0xFFFFFF;

std::vector<KeyCode> ExpectedCodes() {
    std::vector<KeyCode> codes;
    auto addRange = [&codes](std::uint16_t page, std::uint16_t first, std::uint16_t last) {
        for (std::uint32_t usage = first; usage <= last; ++usage) {
            codes.push_back((KeyCode{page} << 16) | usage);
        }
    };
    addRange(0x01, 0x81, 0x83);
    addRange(0x07, 0x00, 0xA4);
    addRange(0x07, 0xE0, 0xE7);
    for (std::uint16_t usage :
         {0x0B5, 0x0B6, 0x0B7, 0x0CD, 0x0E2, 0x0E5, 0x0E7, 0x0E9, 0x0EA, 0x152, 0x153, 0x154,
          0x155, 0x183, 0x18A, 0x192, 0x194, 0x221, 0x223, 0x224, 0x225, 0x226, 0x227, 0x22A}) {
        codes.push_back((KeyCode{0x0C} << 16) | usage);
    }
    addRange(0x01, 0x01, 0x05);
    return codes;
}

std::string NameOf(KeyCode code) {
    return std::string(FindKeyInfo(code).name);
}

} // namespace

TEST(KeyCatalogue, RowsComeInCatalogueOrder) {
    std::vector<KeyCode> actual;
    for (const KeyInfo& row : KeyCatalogue()) {
        actual.push_back(row.Code());
    }
    ASSERT_EQ(actual.size(), 205u);
    EXPECT_EQ(actual, ExpectedCodes());
}

TEST(KeyCatalogue, EveryPageAndUsageAppearsOnce) {
    std::set<KeyCode> seen;
    for (const KeyInfo& row : KeyCatalogue()) {
        EXPECT_TRUE(seen.insert(row.Code()).second)
            << "duplicate code 0x" << std::hex << row.Code();
    }
}

TEST(KeyCatalogue, SpareIsUnsetInEveryRow) {
    for (const KeyInfo& row : KeyCatalogue()) {
        EXPECT_EQ(row.spare, kNone) << row.name;
    }
}

// The numbered runs are written out one row per key; derive their names
// independently so a skipped or repeated entry shows up.
TEST(KeyCatalogue, NumberedRunsAreNamedInSequence) {
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(NameOf(0x00070004 + i), std::string(1, static_cast<char>('A' + i)));
    }
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(NameOf(0x0007001E + i), std::to_string((i + 1) % 10));
        EXPECT_EQ(NameOf(0x00070059 + i), "Keypad " + std::to_string((i + 1) % 10));
    }
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(NameOf(0x0007003A + i), "F" + std::to_string(i + 1));
        EXPECT_EQ(NameOf(0x00070068 + i), "F" + std::to_string(i + 13));
    }
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(NameOf(0x00070087 + i), "Int'l " + std::to_string(i + 1));
        EXPECT_EQ(NameOf(0x00070090 + i), "Lang " + std::to_string(i + 1));
    }
}

struct LookupCase {
    KeyCode code;
    bool found;
    std::string_view name;
};

void PrintTo(const LookupCase& c, std::ostream* os) {
    *os << "0x" << std::hex << c.code << " -> \"" << c.name << '"';
}

class KeyCatalogueLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(KeyCatalogueLookup, FindsRowOrEmptyRow) {
    const LookupCase& c = GetParam();
    const KeyInfo& row = FindKeyInfo(c.code);
    if (c.found) {
        EXPECT_EQ(row.Code(), c.code);
        EXPECT_EQ(row.name, c.name);
    } else {
        EXPECT_EQ(row.usage, 0);
        EXPECT_EQ(row.page, 0);
        EXPECT_EQ(row.makeCode, 0u);
        EXPECT_EQ(row.breakCode, 0u);
        EXPECT_EQ(row.spare, 0u);
        EXPECT_TRUE(row.name.empty());
    }
    // Both forms must hand back the very same row, not merely an equal one.
    EXPECT_EQ(&FindKeyInfo(keywright::UsageOf(c.code), keywright::PageOf(c.code)), &row);
}

INSTANTIATE_TEST_SUITE_P(
    KeyCatalogue, KeyCatalogueLookup,
    testing::Values(
        LookupCase{0x00070004, true, "A"}, LookupCase{0x00070022, true, "5"},
        LookupCase{0x000700E2, true, "Left Alt"}, LookupCase{0x00070000, true, "No Event"},
        LookupCase{0x00070085, true, "Keypad , "}, LookupCase{0x00070031, true, "\\"},
        LookupCase{0x000700A4, true, "ExSel"}, LookupCase{0x000700E7, true, "Right GUI"},
        LookupCase{0x00010081, true, "System Power"}, LookupCase{0x00010083, true, "System Wake"},
        LookupCase{0x00010001, true, "Mouse Left"},
        LookupCase{0x00010005, true, "Mouse Right Side"},
        LookupCase{0x000C022A, true, "WWW Favorites"},
        // Names used twice are told apart by page and usage.
        LookupCase{0x00070028, true, "Return"}, LookupCase{0x0007009E, true, "Return"},
        LookupCase{0x00070078, true, "Stop"}, LookupCase{0x000C00B7, true, "Stop"},
        LookupCase{0x0007007F, true, "Mute"}, LookupCase{0x000C00E2, true, "Mute"},
        LookupCase{0x00070080, true, "Volume Up"}, LookupCase{0x000C00E9, true, "Volume Up"},
        // Misses: nothing, gaps and ends of ranges, other pages.
        LookupCase{0, false, ""}, LookupCase{0x000700A5, false, ""},
        LookupCase{0x000700DF, false, ""}, LookupCase{0x000700E8, false, ""},
        LookupCase{0x00010000, false, ""}, LookupCase{0x00010006, false, ""},
        LookupCase{0x00010080, false, ""}, LookupCase{0x00090001, false, ""},
        LookupCase{0x000C0000, false, ""}, LookupCase{0x000C0004, false, ""},
        LookupCase{0x00040007, false, ""}, LookupCase{0x01070004, false, ""}));

TEST(KeyCatalogue, EmptyRowIsNotACatalogueRow) {
    const KeyInfo& miss = FindKeyInfo(0);
    for (const KeyInfo& row : KeyCatalogue()) {
        EXPECT_NE(&row, &miss);
    }
    EXPECT_EQ(&FindKeyInfo(0x000700E8), &miss);
}

struct ScanCodeCase {
    KeyCode code;
    std::uint32_t make;
    std::uint32_t brk;
};

void PrintTo(const ScanCodeCase& c, std::ostream* os) {
    *os << "0x" << std::hex << c.code;
}

class KeyCatalogueScanCode : public testing::TestWithParam<ScanCodeCase> {};

TEST_P(KeyCatalogueScanCode, CarriesSetOneCodes) {
    const ScanCodeCase& c = GetParam();
    const KeyInfo& row = FindKeyInfo(c.code);
    ASSERT_EQ(row.Code(), c.code);
    EXPECT_EQ(row.makeCode, c.make) << std::hex << row.makeCode;
    EXPECT_EQ(row.breakCode, c.brk) << std::hex << row.breakCode;
}

INSTANTIATE_TEST_SUITE_P(
    KeyCatalogue, KeyCatalogueScanCode,
    testing::Values(ScanCodeCase{0x00070004, 0x1E, 0x9E},             // A
                    ScanCodeCase{0x00070049, 0xE052, 0xE0D2},         // Insert
                    ScanCodeCase{0x00070046, 0xE02AE037, 0xE0B7E0AA}, // Print Screen
                    ScanCodeCase{0x00070048, 0xE11D45, kNone},        // Pause, press half only
                    ScanCodeCase{0x000700E0, 0x1D, 0x9D},             // Left Control
                    ScanCodeCase{0x000700E4, 0xE01D, 0xE09D},         // Right Control
                    ScanCodeCase{0x00070000, kNone, kNone},           // No Event
                    ScanCodeCase{0x00070001, 0xFF, kNone},            // Overrun Error
                    ScanCodeCase{0x00070090, 0xF2, kNone},            // Lang 1, press only
                    ScanCodeCase{0x0007007F, kNone, kNone},           // keyboard-page Mute
                    ScanCodeCase{0x000C00E2, 0xE020, 0xE0A0},         // consumer Mute
                    ScanCodeCase{0x00010081, 0xE05E, 0xE0DE},         // System Power
                    ScanCodeCase{0x00010001, kNone, kNone}));         // Mouse Left

// For one- and two-byte codes the set 1 break is the make with the high bit of
// its last byte set; a row that breaks this rule holds a typo.
TEST(KeyCatalogue, SimpleBreakCodesMirrorTheirMakeCodes) {
    for (const KeyInfo& row : KeyCatalogue()) {
        if (row.makeCode == kNone || row.breakCode == kNone || row.makeCode > 0xFFFF) {
            continue;
        }
        EXPECT_EQ(row.breakCode, row.makeCode | 0x80) << row.name;
        EXPECT_EQ(row.makeCode & 0x80, 0u) << row.name;
        if (row.makeCode > 0xFF) {
            EXPECT_EQ(row.makeCode >> 8, 0xE0u) << row.name;
        }
    }
}
