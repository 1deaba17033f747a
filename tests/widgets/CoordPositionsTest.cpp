#include "widgets/CoordPositions.h"

#include "WidgetTestPackage.h"

#include <climits>

namespace keywright::widgets::test {
namespace {

constexpr quint32 kDefault = CoordButton::kDefaultColor;

struct KeyRow {
    const char* what;
    const char* element; // one child of <positions>
    qint32 id;
    qint32 va;
    const char* name;
    CoordRect rect;
    quint32 color;
};

// One key per row, each field read as the positions file defines it.
const KeyRow kKeyRows[] = {
    {"nothing given", "<key/>", -1, -1, "", {}, kDefault},
    {"a whole key",
     R"(<key name="Escape" va="7" id="41" rect="24,24,40,40"/>)",
     41,
     7,
     "Escape",
     {24, 24, 64, 64},
     kDefault},
    {"any element name", R"(<led id="5"/>)", 5, -1, "", {}, kDefault},
    {"id present but empty", R"(<key id="" va=""/>)", 0, 0, "", {}, kDefault},
    {"id with a tail", R"(<key id="12abc" va=" -3"/>)", 12, -3, "", {}, kDefault},
    {"id is decimal only", R"(<key id="0x10"/>)", 0, -1, "", {}, kDefault},
    {"id too large",
     R"(<key id="99999999999" va="-99999999999"/>)",
     INT_MAX,
     INT_MIN,
     "",
     {},
     kDefault},
    {"non-ASCII name", R"(<key name="空格"/>)", -1, -1, "空格", {}, kDefault},
    {"six digits: alpha 0", R"(<key color="#FF0000"/>)", -1, -1, "", {}, 0x00FF0000},
    {"eight digits carry alpha", R"(<key color="80FF0000"/>)", -1, -1, "", {}, 0x80FF0000},
    {"blanks and # anywhere", R"(<key color=" # 80 FF 00 00 "/>)", -1, -1, "", {}, 0x80FF0000},
    {"0x prefix", R"(<key color="0xff00ff00"/>)", -1, -1, "", {}, 0xFF00FF00},
    {"empty colour", R"(<key color=""/>)", -1, -1, "", {}, kDefault},
    {"colour without digits", R"(<key color="#zz"/>)", -1, -1, "", {}, kDefault},
    {"rect with blanks",
     R"(<key rect=" 10, 20 ,30,  40"/>)",
     -1,
     -1,
     "",
     {10, 20, 40, 60},
     kDefault},
    {"empty rect", R"(<key rect=""/>)", -1, -1, "", {}, kDefault},
    {"rect cut short", R"(<key rect="1,2,3"/>)", -1, -1, "", {1, 2, 4, 2}, kDefault},
    {"rect stops at a bad number", R"(<key rect="5,x,7,8"/>)", -1, -1, "", {5, 0, 5, 0}, kDefault},
    {"negative rect numbers", R"(<key rect="-5,-6,10,10"/>)", -1, -1, "", {-5, -6, 5, 4}, kDefault},
    {"rect beyond 32 bits stays in range",
     R"(<key rect="2147483647,0,10,99999999999"/>)",
     -1,
     -1,
     "",
     {INT_MAX, 0, INT_MAX, INT_MAX},
     kDefault},
};

TEST(CoordPositions, ReadsEachKeyAttributeAsTheFileDefinesIt) {
    for (const KeyRow& row : kKeyRows) {
        SCOPED_TRACE(row.what);
        const QByteArray document =
            QByteArray("<positions>") + row.element + QByteArray("</positions>");
        const std::vector<CoordButton> keys = ParsePositions(document);
        ASSERT_EQ(keys.size(), 1u);
        const CoordButton& key = keys[0];
        EXPECT_EQ(key.id, row.id);
        EXPECT_EQ(key.va, row.va);
        EXPECT_EQ(key.name, QString::fromUtf8(row.name));
        EXPECT_EQ(key.rect, row.rect) << key.rect.left << "," << key.rect.top << ","
                                      << key.rect.right << "," << key.rect.bottom;
        EXPECT_EQ(key.color, row.color) << std::hex << key.color;
        EXPECT_TRUE(key.tip.isEmpty());
        EXPECT_FALSE(key.checked || key.hover || key.pressed);
    }
}

TEST(CoordPositions, TheDefaultColourIsTheCallers) {
    const auto keys =
        ParsePositions(R"(<positions><k/><k color=""/><k color="1"/></positions>)", 0x12345678);
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].color, 0x12345678u);
    EXPECT_EQ(keys[1].color, 0x12345678u);
    EXPECT_EQ(keys[2].color, 1u);
}

TEST(CoordPositions, ReadsEveryChildElementOfPositionsInOrder) {
    const struct {
        const char* what;
        const char* document;
        std::vector<qint32> ids;
    } rows[] = {
        {"keys in file order",
         R"(<positions><a id="3"/><b id="1"/><c id="2"/></positions>)",
         {3, 1, 2}},
        {"text and comments are not keys",
         "<positions> text <!-- c --><a id=\"1\"/><?pi x?>more<b id=\"2\"/></positions>",
         {1, 2}},
        {"nested elements are not keys",
         R"(<positions><a id="1"><b id="2"/></a></positions>)",
         {1}},
        {"with declaration", "<?xml version=\"1.0\"?>\n<positions><a id=\"7\"/></positions>", {7}},
        {"no positions element", R"(<keys><a id="1"/></keys>)", {}},
        {"positions not at the top", R"(<root><positions><a id="1"/></positions></root>)", {}},
        {"empty positions", "<positions/>", {}},
        {"not XML", "positions", {}},
        {"broken XML", R"(<positions><a id="1"></positions>)", {}},
        {"empty document", "", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<qint32> ids;
        for (const CoordButton& key : ParsePositions(row.document))
            ids.push_back(key.id);
        EXPECT_EQ(ids, row.ids);
    }
}

TEST(CoordPositions, FilePathIsInsideTheProgramFolder) {
    const struct {
        const char* path;
        const char* expected;
    } rows[] = {
        {"uires/xml/keys.xml", "/prog/uires/xml/keys.xml"},
        {"/uires/xml/keys.xml", "/prog/uires/xml/keys.xml"},
        {"\\uires\\xml\\keys.xml", "/prog/uires/xml/keys.xml"},
        {"uires\\keys.xml", "/prog/uires/keys.xml"},
        {"../keys.xml", "/prog/../keys.xml"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(PositionsFilePath("/prog", QString::fromUtf8(row.path)),
                  QString::fromUtf8(row.expected));
    }
}

TEST(CoordPositions, AMissingFileGivesNoKeys) {
    EXPECT_TRUE(LoadPositionsFile("/nonexistent/keys.xml").empty());
}

// The positions file of the resource package: every key of a full-size
// board, each with a page, an id and a rectangle the map can hit.
TEST(CoordPositions, TheProgramsPositionsFileGivesEveryKeyARectangle) {
    const std::vector<CoordButton> keys = LoadPositionsFile(KEYWRIGHT_POSITIONS_FILE);
    ASSERT_EQ(keys.size(), 104u);
    for (const CoordButton& key : keys) {
        SCOPED_TRACE(key.name.toStdString());
        EXPECT_FALSE(key.name.isEmpty());
        EXPECT_GE(key.id, 0);
        EXPECT_GE(key.va, 0);
        EXPECT_FALSE(key.rect.IsEmpty());
        EXPECT_EQ(key.color, CoordButton::kDefaultColor);
    }
    const auto escape = std::find_if(keys.begin(), keys.end(),
                                     [](const CoordButton& key) { return key.name == "Escape"; });
    ASSERT_NE(escape, keys.end());
    EXPECT_EQ(escape->va, 7);
    EXPECT_EQ(escape->id, 41);
}

} // namespace
} // namespace keywright::widgets::test
