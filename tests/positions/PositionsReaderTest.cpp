// The rules of the keyboard positions file, as the keyboard map and the
// picture renderer both read it, and the checks of the file the resource
// package ships.

#include "positions/PositionsReader.h"

#include "settings/KeyCatalogue.h"
#include "support/TempFolder.h"

#include <array>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace keywright::positions {
namespace {

std::string Show(const std::optional<std::uint32_t>& color) {
    if (!color)
        return "none";
    char text[16];
    std::snprintf(text, sizeof text, "%08X", *color);
    return text;
}

struct KeyRow {
    const char* what;
    const char* element; // one child of <positions>
    std::int32_t id;
    std::int32_t va;
    const char* name;
    std::array<std::int32_t, 4> ltrb; // left, top, right, bottom
    std::optional<std::uint32_t> color;
};

constexpr std::array<std::int32_t, 4> kNoRect{};
constexpr std::nullopt_t kNoColor = std::nullopt;

// One key per row, each attribute read by the file's rules.
const KeyRow kKeyRows[] = {
    {"nothing given", "<key/>", -1, -1, "", kNoRect, kNoColor},
    {"a whole key",
     R"(<key name="Escape" va="7" id="41" rect="24,24,40,40"/>)",
     41,
     7,
     "Escape",
     {24, 24, 64, 64},
     kNoColor},
    {"any element name", R"(<led id="5"/>)", 5, -1, "", kNoRect, kNoColor},
    // id and va: atoi's rules, saturating.
    {"id present but empty", R"(<key id="" va=""/>)", 0, 0, "", kNoRect, kNoColor},
    {"id with a tail", R"(<key id="12abc" va=" -3"/>)", 12, -3, "", kNoRect, kNoColor},
    {"id is decimal only", R"(<key id="0x10"/>)", 0, -1, "", kNoRect, kNoColor},
    {"id too large", R"(<key id="99999999999" va="-99999999999"/>)", INT_MAX, INT_MIN, "", kNoRect,
     kNoColor},
    // name: UTF-8 as written, entities resolved.
    {"non-ASCII name", R"(<key name="空格"/>)", -1, -1, "空格", kNoRect, kNoColor},
    {"escaped name", R"(<key name="&lt;&amp;&quot;"/>)", -1, -1, "<&\"", kNoRect, kNoColor},
    // color: hexadecimal after blanks and '#' go; none without a digit.
    {"six digits: alpha 0", R"(<key color="#FF0000"/>)", -1, -1, "", kNoRect, 0x00FF0000},
    {"eight digits carry alpha", R"(<key color="80FF0000"/>)", -1, -1, "", kNoRect, 0x80FF0000},
    {"blanks and # anywhere", R"(<key color=" # 80 FF 00 00 "/>)", -1, -1, "", kNoRect, 0x80FF0000},
    {"0x prefix", R"(<key color="0xff00ff00"/>)", -1, -1, "", kNoRect, 0xFF00FF00},
    {"more than eight digits keep the low 32 bits", R"(<key color="1234567890"/>)", -1, -1, "",
     kNoRect, 0x34567890},
    {"empty colour", R"(<key color=""/>)", -1, -1, "", kNoRect, kNoColor},
    {"colour without digits", R"(<key color="#zz"/>)", -1, -1, "", kNoRect, kNoColor},
    // rect: "left,top,width,height" after blanks go; right and bottom exclusive.
    {"rect with blanks",
     R"(<key rect=" 10, 20 ,30 ,  40 "/>)",
     -1,
     -1,
     "",
     {10, 20, 40, 60},
     kNoColor},
    {"empty rect", R"(<key rect=""/>)", -1, -1, "", kNoRect, kNoColor},
    {"rect cut short", R"(<key rect="1,2,3"/>)", -1, -1, "", {1, 2, 4, 2}, kNoColor},
    {"rect of two numbers", R"(<key rect="5,6"/>)", -1, -1, "", {5, 6, 5, 6}, kNoColor},
    {"rect stops at a bad number", R"(<key rect="5,x,7,8"/>)", -1, -1, "", {5, 0, 5, 0}, kNoColor},
    {"negative rect numbers", R"(<key rect="-5,-6,10,10"/>)", -1, -1, "", {-5, -6, 5, 4}, kNoColor},
    {"rect numbers beyond 32 bits saturate",
     R"(<key rect="99999999999,-99999999999,1,1"/>)",
     -1,
     -1,
     "",
     {INT_MAX, INT_MIN, INT_MAX, INT_MIN + 1},
     kNoColor},
    {"right and bottom saturate",
     R"(<key rect="2147483647,-2147483648,10,-99999999999"/>)",
     -1,
     -1,
     "",
     {INT_MAX, INT_MIN, INT_MAX, INT_MIN},
     kNoColor},
};

TEST(PositionsReader, ReadsEachKeyAttributeByTheFilesRules) {
    for (const KeyRow& row : kKeyRows) {
        SCOPED_TRACE(row.what);
        const PositionsRead read =
            ReadPositions(std::string("<positions>") + row.element + "</positions>");
        ASSERT_TRUE(read.document) << read.error;
        ASSERT_EQ(read.document->keys.size(), 1u);
        const KeyPosition& key = read.document->keys[0];
        EXPECT_EQ(key.id, row.id);
        EXPECT_EQ(key.va, row.va);
        EXPECT_EQ(key.name, row.name);
        EXPECT_EQ((std::array{key.left, key.top, key.right, key.bottom}), row.ltrb);
        EXPECT_EQ(Show(key.color), Show(row.color));
    }
}

TEST(PositionsReader, KeysAreTheElementChildrenOfATopLevelPositions) {
    const struct {
        const char* what;
        const char* document;
        bool usable;
        std::vector<std::int32_t> ids;
    } rows[] = {
        {"keys in file order",
         R"(<positions><a id="3"/><b id="1"/><c id="2"/></positions>)",
         true,
         {3, 1, 2}},
        {"text and comments are not keys",
         "<positions> text <!-- c --><a id=\"1\"/><?pi x?>more<b id=\"2\"/></positions>",
         true,
         {1, 2}},
        {"nested elements are not keys",
         R"(<positions><a id="1"><b id="2"/></a></positions>)",
         true,
         {1}},
        {"with declaration",
         "<?xml version=\"1.0\"?>\n<positions><a id=\"7\"/></positions>",
         true,
         {7}},
        {"empty positions", "<positions/>", true, {}},
        {"no positions element", R"(<keys><a id="1"/></keys>)", false, {}},
        {"positions not at the top",
         R"(<root><positions><a id="1"/></positions></root>)",
         false,
         {}},
        {"not XML", "positions", false, {}},
        {"unclosed root", R"(<positions width="10" height="10">)", false, {}},
        {"broken XML", R"(<positions><a id="1"></positions>)", false, {}},
        {"empty document", "", false, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const PositionsRead read = ReadPositions(row.document);
        ASSERT_EQ(read.document.has_value(), row.usable) << read.error;
        if (!row.usable) {
            EXPECT_FALSE(read.error.empty()) << "an unusable document says why";
            continue;
        }
        std::vector<std::int32_t> ids;
        for (const KeyPosition& key : read.document->keys)
            ids.push_back(key.id);
        EXPECT_EQ(ids, row.ids);
    }
}

TEST(PositionsReader, RootSizeIsDecimalByTheRuleOfId) {
    const struct {
        const char* root;
        std::int32_t width;
        std::int32_t height;
    } rows[] = {
        {R"(<positions width="968" height="308"/>)", 968, 308},
        {"<positions/>", 0, 0},
        {R"(<positions width=" 12px" height="-4"/>)", 12, -4},
        {R"(<positions width="99999999999" height="-99999999999"/>)", INT_MAX, INT_MIN},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.root);
        const PositionsRead read = ReadPositions(row.root);
        ASSERT_TRUE(read.document) << read.error;
        EXPECT_EQ(read.document->width, row.width);
        EXPECT_EQ(read.document->height, row.height);
    }
}

TEST(PositionsReader, AFileIsReadWholeAndItsErrorsNameIt) {
    test::TempFolder folder;
    folder.Write("good.xml", R"(<positions width="9"><key id="4"/><key id="5"/></positions>)");
    folder.Write("broken.xml", "<positions>");
    const std::string good = (folder / "good.xml").string();
    const std::string broken = (folder / "broken.xml").string();

    const PositionsRead read = ReadPositionsFile(good);
    ASSERT_TRUE(read.document) << read.error;
    EXPECT_EQ(read.document->width, 9);
    EXPECT_EQ(read.document->keys.size(), 2u);

    for (const std::string& path : {broken, (folder / "missing.xml").string()}) {
        SCOPED_TRACE(path);
        const PositionsRead failed = ReadPositionsFile(path);
        EXPECT_FALSE(failed.document);
        EXPECT_NE(failed.error.find(path), std::string::npos) << failed.error;
    }
}

// The positions file of the resource package.
class ShippedPositions : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        PositionsRead read = ReadPositionsFile(KEYWRIGHT_POSITIONS_FILE);
        ASSERT_TRUE(read.document) << read.error;
        file_ = std::move(*read.document);
    }
    static PositionsDocument file_;
};
PositionsDocument ShippedPositions::file_;

TEST_F(ShippedPositions, EveryKeyIsACatalogueKeyOnce) {
    EXPECT_EQ(file_.keys.size(), 104u);
    std::set<std::pair<int, int>> seen;
    for (const KeyPosition& key : file_.keys) {
        SCOPED_TRACE(key.name);
        EXPECT_FALSE(key.name.empty());
        EXPECT_FALSE(key.color) << "the map's default colour shows no key";
        EXPECT_TRUE(seen.insert({key.va, key.id}).second) << "page and usage used twice";
        ASSERT_GE(key.va, 0);
        ASSERT_GE(key.id, 0);
        const auto& info =
            FindKeyInfo(static_cast<std::uint16_t>(key.id), static_cast<std::uint16_t>(key.va));
        EXPECT_EQ(key.name, info.name) << "the name differs from the key catalogue's";
    }
}

TEST_F(ShippedPositions, CoversEveryKeyOfAFullSizeBoard) {
    std::set<int> usages;
    for (const KeyPosition& key : file_.keys) {
        if (key.va == 0x07)
            usages.insert(key.id);
    }
    // ANSI full size: A..keypad dot and App, without the two ISO-only keys,
    // and the eight modifiers.
    for (int usage = 0x04; usage <= 0xE7; ++usage) {
        const bool onBoard = (usage <= 0x65 && usage != 0x32 && usage != 0x64) || usage >= 0xE0;
        if (onBoard) {
            EXPECT_TRUE(usages.count(usage)) << "usage 0x" << std::hex << usage << " is missing";
        }
    }
}

TEST_F(ShippedPositions, RectsLieInsideThePictureWithoutOverlap) {
    for (std::size_t i = 0; i < file_.keys.size(); ++i) {
        const KeyPosition& a = file_.keys[i];
        SCOPED_TRACE(a.name);
        EXPECT_GT(a.right, a.left);
        EXPECT_GT(a.bottom, a.top);
        EXPECT_GE(a.left, 0);
        EXPECT_GE(a.top, 0);
        EXPECT_LE(a.right, file_.width);
        EXPECT_LE(a.bottom, file_.height);
        for (std::size_t j = i + 1; j < file_.keys.size(); ++j) {
            const KeyPosition& b = file_.keys[j];
            const bool apart =
                a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
            EXPECT_TRUE(apart) << "overlaps " << b.name;
        }
    }
}

} // namespace
} // namespace keywright::positions
