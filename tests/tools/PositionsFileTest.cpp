// What the picture renderer makes of the positions file. The reader's rules
// are tested with the reader (tests/positions).

#include "render_keyboard/PositionsFile.h"

#include "support/TempFolder.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <utility>

using keywright::art::LoadPositions;
using keywright::art::ParsePositions;
using keywright::art::PositionKey;

namespace {

std::string Wrap(const std::string& children) {
    return "<positions width=\"100\" height=\"50\">" + children + "</positions>";
}

TEST(PositionsParse, KeysCarryTheReadersValuesWithTheMapsDefaultColour) {
    const auto parsed = ParsePositions(Wrap(R"(<key name="A" va="7" id="4" rect="10,20,30,40"/>)"
                                            R"(<key color="#80FF0000"/><key color="#zz"/>)"));
    ASSERT_TRUE(parsed.file) << parsed.error;
    EXPECT_EQ(parsed.file->width, 100);
    EXPECT_EQ(parsed.file->height, 50);
    ASSERT_EQ(parsed.file->keys.size(), 3u);

    const PositionKey& a = parsed.file->keys[0];
    EXPECT_EQ(a.id, 4);
    EXPECT_EQ(a.va, 7);
    EXPECT_EQ(a.name, "A");
    EXPECT_EQ(a.left, 10);
    EXPECT_EQ(a.top, 20);
    EXPECT_EQ(a.right, 40);
    EXPECT_EQ(a.bottom, 60);
    EXPECT_EQ(a.Width(), 30);
    EXPECT_EQ(a.Height(), 40);
    EXPECT_EQ(a.color, 0x00FFFFFFu) << "no colour: white with alpha 0, as on the map";
    EXPECT_EQ(parsed.file->keys[1].color, 0x80FF0000u);
    EXPECT_EQ(parsed.file->keys[2].color, 0x00FFFFFFu);
}

TEST(PositionsParse, RejectsWhatCannotBeDrawn) {
    const std::pair<const char*, const char*> cases[] = {
        {"not XML", "<positions width=\"10\" height=\"10\">"},
        {"no positions element", "<keys width=\"10\" height=\"10\"/>"},
        {"no size", "<positions><key/></positions>"},
        {"zero width", "<positions width=\"0\" height=\"10\"/>"},
        {"negative height", "<positions width=\"10\" height=\"-1\"/>"},
    };
    for (const auto& [what, text] : cases) {
        SCOPED_TRACE(what);
        const auto parsed = ParsePositions(text);
        EXPECT_FALSE(parsed.file);
        EXPECT_FALSE(parsed.error.empty());
    }
}

TEST(PositionsParse, FileErrorsNameTheFile) {
    keywright::test::TempFolder folder;
    folder.Write("sizeless.xml", "<positions><key/></positions>");
    for (const std::string& path :
         {(folder / "missing.xml").string(), (folder / "sizeless.xml").string()}) {
        SCOPED_TRACE(path);
        const auto parsed = LoadPositions(path);
        EXPECT_FALSE(parsed.file);
        EXPECT_NE(parsed.error.find(path), std::string::npos) << parsed.error;
    }
}

} // namespace
