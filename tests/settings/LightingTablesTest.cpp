#include "settings/LedEffectTable.h"
#include "settings/SideModelTable.h"
#include "support/LogCheck.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace keywright {
namespace {

using test::ReadFixture;
using test::TempFolder;

std::string LedFile(const std::string& sel, const std::string& items) {
    return "<?xml version=\"1.0\"?>\n<effect sel=\"" + sel + "\">" + items + "</effect>";
}

TEST(LedEffectTable, MissingFileGivesDefaultsAndWritesThem) {
    TempFolder folder;
    LedEffectTable table;
    EXPECT_FALSE(table.Load(folder / "ledeffect.xml"));
    EXPECT_EQ(table.GetCurrent(), 20);
    EXPECT_EQ(table.GetEntry(-1), nullptr);
    for (int i = 0; i < LedEffectTable::kEntryCount; ++i)
        EXPECT_EQ(*table.GetEntry(i), (LedEffectEntry{4, 0, 0, 0}));
    EXPECT_EQ(folder.Read("ledeffect.xml"), ReadFixture("ledeffect.defaults.xml"));
}

TEST(LedEffectTable, LoadCorrectsValuesAsItReads) {
    const struct {
        const char* what;
        std::string sel;
        std::string item;
        std::int32_t current;
        LedEffectEntry entry; // brightness, speed, direction, selection
    } cases[] = {
        {"plain",
         "3",
         R"(<item speed="2" brightness="3" deriction="1" selection="2" />)",
         3,
         {3, 2, 1, 2}},
        {"sel 20 is no effect", "20", "<item />", 20, {0, 0, 0, 1}},
        {"sel above 20", "21", "<item />", 0, {0, 0, 0, 1}},
        {"sel negative is huge", "-1", "<item />", 0, {0, 0, 0, 1}},
        {"sel huge", "99999999999", "<item />", 0, {0, 0, 0, 1}},
        {"speed clamps", "0", R"(<item speed="9" />)", 0, {0, 4, 0, 1}},
        {"speed truncated to a byte", "0", R"(<item speed="260" />)", 0, {0, 4, 0, 1}},
        {"brightness 256 truncates to 0", "0", R"(<item brightness="256" />)", 0, {0, 0, 0, 1}},
        {"direction 2 becomes 0", "0", R"(<item deriction="2" />)", 0, {0, 0, 0, 1}},
        {"selection kept as read", "0", R"(<item selection="300" />)", 0, {0, 0, 0, 44}},
        {"selection missing is 1", "0", R"(<item speed="1" />)", 0, {0, 1, 0, 1}},
        {"attribute names are case-sensitive",
         "0",
         R"(<item Speed="3" BRIGHTNESS="3" />)",
         0,
         {0, 0, 0, 1}},
        {"any child name", "0", R"(<whatever speed="3" />)", 0, {0, 3, 0, 1}},
        {"text between items is not an item", "0", R"(text<item speed="3" />)", 0, {0, 3, 0, 1}},
        {"negative speed", "0", R"(<item speed="-1" />)", 0, {0, 4, 0, 1}},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        folder.Write("ledeffect.xml", LedFile(c.sel, c.item));
        LedEffectTable table;
        EXPECT_TRUE(table.Load(folder / "ledeffect.xml"));
        EXPECT_EQ(table.GetCurrent(), c.current);
        EXPECT_EQ(*table.GetEntry(0), c.entry);
        // A good load never writes the file.
        EXPECT_EQ(folder.Read("ledeffect.xml"), LedFile(c.sel, c.item));
    }
}

TEST(LedEffectTable, FillsEntriesInOrderAndKeepsTheRest) {
    TempFolder folder;
    std::string many;
    for (int i = 0; i < 25; ++i)
        many += "<item speed=\"" + std::to_string(i % 5) + "\" brightness=\"1\" />";
    folder.Write("ledeffect.xml", LedFile("19", many));
    LedEffectTable table;
    ASSERT_TRUE(table.Load(folder / "ledeffect.xml"));
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(table.GetEntry(i)->speed, i % 5);

    // Three children fill entries 0..2; the others keep their contents.
    folder.Write("ledeffect.xml", LedFile("0", R"(<i speed="4" /><i speed="4" /><i speed="4" />)"));
    ASSERT_TRUE(table.Load(folder / "ledeffect.xml"));
    EXPECT_EQ(table.GetEntry(2)->speed, 4);
    EXPECT_EQ(table.GetEntry(3)->speed, 3);
    EXPECT_EQ(table.GetEntry(3)->brightness, 1);

    // A fresh table reading a short file has defaults behind the listed entries.
    LedEffectTable fresh;
    ASSERT_TRUE(fresh.Load(folder / "ledeffect.xml"));
    EXPECT_EQ(*fresh.GetEntry(3), (LedEffectEntry{4, 0, 0, 0}));

    // No "effect" element: current 0, entries as they were.
    folder.Write("ledeffect.xml", "<other sel=\"5\" />");
    ASSERT_TRUE(table.Load(folder / "ledeffect.xml"));
    EXPECT_EQ(table.GetCurrent(), 0);
    EXPECT_EQ(table.GetEntry(2)->speed, 4);
}

TEST(LedEffectTable, SetCurrentStoresAnyValueAndTheNextLoadCorrectsIt) {
    TempFolder folder;
    LedEffectTable table;
    table.Load(folder / "ledeffect.xml");
    table.SetCurrent(25);
    EXPECT_EQ(table.GetCurrent(), 25);
    EXPECT_EQ(table.GetEntry(-1), nullptr);
    EXPECT_NE(folder.Read("ledeffect.xml").find("<effect sel=\"25\">"), std::string::npos);

    LedEffectTable again;
    EXPECT_TRUE(again.Load(folder / "ledeffect.xml"));
    EXPECT_EQ(again.GetCurrent(), 0);
}

TEST(LedEffectTable, SaveThenLoadReproducesEveryField) {
    TempFolder folder;
    LedEffectTable table;
    table.Load(folder / "ledeffect.xml");
    for (int i = 0; i < 20; ++i)
        *table.GetEntry(i) = {static_cast<std::uint8_t>(i % 5),
                              static_cast<std::uint8_t>(4 - i % 5),
                              static_cast<std::uint8_t>(i % 2), static_cast<std::uint8_t>(i % 4)};
    table.SetCurrent(7);

    LedEffectTable loaded;
    ASSERT_TRUE(loaded.Load(folder / "ledeffect.xml"));
    EXPECT_EQ(loaded.GetCurrent(), 7);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(*loaded.GetEntry(i), *table.GetEntry(i)) << "entry " << i;
}

TEST(LedEffectTable, GetEntryRange) {
    LedEffectTable table;
    EXPECT_NE(table.GetEntry(0), nullptr);
    EXPECT_NE(table.GetEntry(19), nullptr);
    EXPECT_EQ(table.GetEntry(20), nullptr);
    EXPECT_EQ(table.GetEntry(-2), nullptr);
}

TEST(LedEffectTable, EmptyPathChangesNothing) {
    LedEffectTable table;
    table.GetEntry(0)->speed = 3;
    EXPECT_FALSE(table.Load({}));
    EXPECT_EQ(table.GetEntry(0)->speed, 3);
    EXPECT_FALSE(table.Save());
}

TEST(LedEffectTable, MalformedFileIsKeptAndReplacedByDefaults) {
    test::ExpectLog malformed("not well-formed XML");
    test::ExpectLog kept("settings file: kept the unreadable");
    TempFolder folder;
    const std::string broken = LedFile("3", "<item speed=\"2\"");
    folder.Write("ledeffect.xml", broken);
    LedEffectTable table;
    EXPECT_FALSE(table.Load(folder / "ledeffect.xml"));
    EXPECT_EQ(table.GetCurrent(), 20);
    EXPECT_EQ(folder.Read("ledeffect.xml"), ReadFixture("ledeffect.defaults.xml"));
    EXPECT_EQ(folder.Read("ledeffect.xml.bad"), broken);
}

TEST(SideModelTable, MissingFileResetsAndWritesTheDefaults) {
    TempFolder folder;
    SideModelTable table;
    EXPECT_FALSE(table.Load(folder / "sidemodel.xml"));
    EXPECT_EQ(table.GetCurrent(), 0);
    const int levels[] = {4, 4, 4, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(table.GetEntry(i)->Level(), levels[i]);
        EXPECT_EQ(table.GetEntry(i)->reserved & 0x0F, 1);
    }
    EXPECT_EQ(folder.Read("sidemodel.xml"), ReadFixture("sidemodel.defaults.xml"));
}

TEST(SideModelTable, LoadCorrectsValuesAsItReads) {
    const struct {
        std::string sel;
        std::string brightness;
        std::int32_t current;
        int level;
    } cases[] = {
        {"5", "7", 5, 7},  {"12", "3", 12, 3},        {"13", "3", 0, 3}, {"-1", "3", 0, 3},
        {"0", "9", 0, 0},  {"0", "17", 0, 1},         {"0", "0", 0, 0},  {"0", "x", 0, 0},
        {"0", "-9", 0, 7}, {"0", "4294967295", 0, 0},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE("sel " + c.sel + ", brightness " + c.brightness);
        folder.Write("sidemodel.xml", "<effect sel=\"" + c.sel + "\"><item brightness=\"" +
                                          c.brightness + "\" /></effect>");
        SideModelTable table;
        EXPECT_TRUE(table.Load(folder / "sidemodel.xml"));
        EXPECT_EQ(table.GetCurrent(), c.current);
        EXPECT_EQ(table.GetEntry(0)->Level(), c.level);
    }
}

TEST(SideModelTable, LevelChangesKeepTheLowBits) {
    TempFolder folder;
    SideModelTable table;
    table.Load(folder / "sidemodel.xml");
    SideModelEntry& entry = *table.GetEntry(5);
    entry.levelByte = 0x7A;
    entry.reserved = 0xF0;
    folder.Write("sidemodel.xml",
                 "<effect sel=\"12\"><a /><a /><a /><a /><a /><a brightness=\"3\" /></effect>");
    ASSERT_TRUE(table.Load(folder / "sidemodel.xml"));
    EXPECT_EQ(entry.levelByte, 0x3A);
    EXPECT_EQ(entry.reserved, 0xF0);
    EXPECT_EQ(table.GetEntry(-1), nullptr); // current 12 selects nothing

    table.Reset();
    EXPECT_EQ(entry.levelByte, 0x7A);
    EXPECT_EQ(entry.reserved, 0xF1); // bits 1..3 cleared, bit 0 set, high bits kept
    EXPECT_EQ(folder.Read("sidemodel.xml"), ReadFixture("sidemodel.defaults.xml"));
}

TEST(SideModelTable, SaveThenLoadReproducesLevelsAndCurrent) {
    TempFolder folder;
    SideModelTable table;
    table.Load(folder / "sidemodel.xml");
    for (int i = 0; i < 12; ++i)
        table.GetEntry(i)->SetLevel(static_cast<std::uint8_t>(i % 8));
    table.SetCurrent(11);

    SideModelTable loaded;
    ASSERT_TRUE(loaded.Load(folder / "sidemodel.xml"));
    EXPECT_EQ(loaded.GetCurrent(), 11);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(loaded.GetEntry(i)->Level(), i % 8);
    EXPECT_EQ(loaded.GetEntry(12), nullptr);
}

} // namespace
} // namespace keywright
