#include "render_keyboard/PositionsFile.h"

#include "settings/KeyCatalogue.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <utility>

using keywright::art::LoadPositions;
using keywright::art::ParsePositions;
using keywright::art::PositionKey;
using keywright::art::PositionsFile;

namespace {

std::string Wrap(const std::string& children) {
    return "<positions width=\"100\" height=\"50\">" + children + "</positions>";
}

// The parser reads keys exactly as the keyboard map does.
struct KeyCase {
    const char* what;
    std::string element;
    PositionKey expected;
};

PositionKey Key(int id, int va, std::string name, int l, int t, int r, int b,
                std::uint32_t color = 0x00FFFFFF) {
    PositionKey key;
    key.id = id;
    key.va = va;
    key.name = std::move(name);
    key.left = l;
    key.top = t;
    key.right = r;
    key.bottom = b;
    key.color = color;
    return key;
}

TEST(PositionsParse, ReadsKeysAsTheKeyboardMapDoes) {
    const KeyCase cases[] = {
        {"all attributes", R"(<key name="A" va="7" id="4" rect="10,20,30,40"/>)",
         Key(4, 7, "A", 10, 20, 40, 60)},
        {"rect with blanks", R"(<key rect=" 10, 20 ,30 , 40 "/>)", Key(-1, -1, "", 10, 20, 40, 60)},
        {"no id, va, name or rect", "<key/>", Key(-1, -1, "", 0, 0, 0, 0)},
        {"empty rect", R"(<key rect=""/>)", Key(-1, -1, "", 0, 0, 0, 0)},
        {"short rect keeps the rest 0", R"(<key rect="5,6"/>)", Key(-1, -1, "", 5, 6, 5, 6)},
        {"six-digit colour has alpha 0", R"(<key color="#FF0000"/>)",
         Key(-1, -1, "", 0, 0, 0, 0, 0x00FF0000)},
        {"eight-digit colour with blanks", R"(<key color="# 80 00 FF 00"/>)",
         Key(-1, -1, "", 0, 0, 0, 0, 0x8000FF00)},
        {"empty colour keeps the default", R"(<key color=""/>)", Key(-1, -1, "", 0, 0, 0, 0)},
        {"any element name is a key", R"(<button id="41" va="7" name="Escape"/>)",
         Key(41, 7, "Escape", 0, 0, 0, 0)},
        {"escaped name", R"(<key name="&lt;&amp;&quot;"/>)", Key(-1, -1, "<&\"", 0, 0, 0, 0)},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto parsed = ParsePositions(Wrap("<!-- a comment is no key -->" + c.element));
        ASSERT_TRUE(parsed.file) << parsed.error;
        ASSERT_EQ(parsed.file->keys.size(), 1u);
        const PositionKey& key = parsed.file->keys.front();
        EXPECT_EQ(key.id, c.expected.id);
        EXPECT_EQ(key.va, c.expected.va);
        EXPECT_EQ(key.name, c.expected.name);
        EXPECT_EQ(key.left, c.expected.left);
        EXPECT_EQ(key.top, c.expected.top);
        EXPECT_EQ(key.right, c.expected.right);
        EXPECT_EQ(key.bottom, c.expected.bottom);
        EXPECT_EQ(key.color, c.expected.color);
    }
}

TEST(PositionsParse, RejectsWhatCannotBeDrawn) {
    const std::pair<const char*, const char*> cases[] = {
        {"not XML", "<positions width=\"10\" height=\"10\">"},
        {"no positions element", "<keys width=\"10\" height=\"10\"/>"},
        {"no size", "<positions><key/></positions>"},
        {"zero width", "<positions width=\"0\" height=\"10\"/>"},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        const auto parsed = ParsePositions(text);
        EXPECT_FALSE(parsed.file);
        EXPECT_FALSE(parsed.error.empty());
    }
}

TEST(PositionsParse, MissingFileIsAnError) {
    const auto parsed = LoadPositions("/nonexistent/keyboard_positions.xml");
    EXPECT_FALSE(parsed.file);
    EXPECT_NE(parsed.error.find("/nonexistent/"), std::string::npos);
}

class ShippedPositions : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        auto parsed = LoadPositions(KEYWRIGHT_POSITIONS_FILE);
        ASSERT_TRUE(parsed.file) << parsed.error;
        file_ = std::move(*parsed.file);
    }
    static PositionsFile file_;
};
PositionsFile ShippedPositions::file_;

TEST_F(ShippedPositions, EveryKeyIsACatalogueKeyOnce) {
    std::set<std::pair<int, int>> seen;
    for (const PositionKey& key : file_.keys) {
        SCOPED_TRACE(key.name);
        EXPECT_FALSE(key.name.empty());
        EXPECT_TRUE(seen.insert({key.va, key.id}).second) << "page and usage used twice";
        ASSERT_GE(key.va, 0);
        ASSERT_GE(key.id, 0);
        const auto& info = keywright::FindKeyInfo(static_cast<std::uint16_t>(key.id),
                                                  static_cast<std::uint16_t>(key.va));
        EXPECT_EQ(key.name, info.name) << "the name differs from the key catalogue's";
    }
}

TEST_F(ShippedPositions, CoversEveryKeyOfAFullSizeBoard) {
    std::set<int> usages;
    for (const PositionKey& key : file_.keys) {
        if (key.va == 0x07) {
            usages.insert(key.id);
        }
    }
    // ANSI full size: A..keypad dot and App, without the two ISO-only keys, and the eight
    // modifiers.
    for (int usage = 0x04; usage <= 0xE7; ++usage) {
        const bool onBoard = (usage <= 0x65 && usage != 0x32 && usage != 0x64) || usage >= 0xE0;
        if (onBoard) {
            EXPECT_TRUE(usages.count(usage)) << "usage 0x" << std::hex << usage << " is missing";
        }
    }
}

TEST_F(ShippedPositions, RectsLieInsideThePictureWithoutOverlap) {
    for (std::size_t i = 0; i < file_.keys.size(); ++i) {
        const PositionKey& a = file_.keys[i];
        SCOPED_TRACE(a.name);
        EXPECT_GT(a.Width(), 0);
        EXPECT_GT(a.Height(), 0);
        EXPECT_GE(a.left, 0);
        EXPECT_GE(a.top, 0);
        EXPECT_LE(a.right, file_.width);
        EXPECT_LE(a.bottom, file_.height);
        for (std::size_t j = i + 1; j < file_.keys.size(); ++j) {
            const PositionKey& b = file_.keys[j];
            const bool apart =
                a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
            EXPECT_TRUE(apart) << "overlaps " << b.name;
        }
    }
}

} // namespace
