#include "widgets/CoordPositions.h"

#include "WidgetTestPackage.h"

#include <climits>

namespace keywright::widgets::test {
namespace {

constexpr quint32 kDefault = CoordButton::kDefaultColor;

// The reader's rules are tested with the reader (tests/positions); here, what
// the map makes of its rows.
TEST(CoordPositions, EachRowBecomesAnUnmarkedKey) {
    const struct {
        const char* what;
        const char* element; // one child of <positions>
        qint32 id;
        qint32 va;
        const char* name;
        CoordRect rect;
        quint32 color;
    } rows[] = {
        {"nothing given", "<key/>", -1, -1, "", {}, kDefault},
        {"a whole key",
         R"(<key name="Escape" va="7" id="41" rect="24,24,40,40" color="80FF0000"/>)",
         41,
         7,
         "Escape",
         {24, 24, 64, 64},
         0x80FF0000},
        {"non-ASCII name", R"(<key name="空格"/>)", -1, -1, "空格", {}, kDefault},
        {"colour without digits", R"(<key color="#zz"/>)", -1, -1, "", {}, kDefault},
        {"rect beyond 32 bits stays in range",
         R"(<key rect="2147483647,0,10,99999999999"/>)",
         -1,
         -1,
         "",
         {INT_MAX, 0, INT_MAX, INT_MAX},
         kDefault},
    };
    for (const auto& row : rows) {
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

TEST(CoordPositions, KeysKeepFileOrderAndAnUnusableDocumentGivesNone) {
    std::vector<qint32> ids;
    for (const CoordButton& key :
         ParsePositions(R"(<positions><a id="3"/><b id="1"/><c id="2"/></positions>)"))
        ids.push_back(key.id);
    EXPECT_EQ(ids, (std::vector<qint32>{3, 1, 2}));

    for (const char* unusable :
         {"", "positions", R"(<keys><a id="1"/></keys>)", R"(<positions><a id="1"></positions>)"}) {
        SCOPED_TRACE(unusable);
        EXPECT_TRUE(ParsePositions(unusable).empty());
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

// The positions file of the resource package, read from disk: every key of
// a full-size board, each one the map can hit.
TEST(CoordPositions, TheProgramsPositionsFileGivesEveryKeyARectangle) {
    const std::vector<CoordButton> keys = LoadPositionsFile(KEYWRIGHT_POSITIONS_FILE);
    ASSERT_EQ(keys.size(), 104u);
    for (const CoordButton& key : keys) {
        SCOPED_TRACE(key.name.toStdString());
        EXPECT_FALSE(key.name.isEmpty());
        EXPECT_FALSE(key.rect.IsEmpty());
        EXPECT_EQ(key.color, CoordButton::kDefaultColor);
    }
    const auto escape = std::find_if(keys.begin(), keys.end(),
                                     [](const CoordButton& key) { return key.name == "Escape"; });
    ASSERT_NE(escape, keys.end());
    EXPECT_EQ(escape->va, 7);
    EXPECT_EQ(escape->id, 41);
    EXPECT_EQ(escape->rect, (CoordRect{24, 24, 64, 64}));
}

} // namespace
} // namespace keywright::widgets::test
