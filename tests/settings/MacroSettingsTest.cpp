#include "settings/MacroSettings.h"

#include "support/LogCheck.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace keywright {
namespace {

using test::ReadFixture;
using test::TempFolder;

// The choice fields, in file order, for comparing whole states.
std::vector<std::int64_t> Choices(const MacroSettings& m) {
    return {m.type, m.repeat, m.mode, m.delay, m.media, m.function, m.group, m.skcode, m.play};
}

TEST(MacroSettings, MissingFileKeepsTheDefaults) {
    TempFolder folder;
    MacroSettings macros;
    EXPECT_FALSE(macros.Load(folder / "macro.xml"));
    EXPECT_EQ(Choices(macros), (std::vector<std::int64_t>{0, 1, 0, 10, 0, 0, 0, 0, 0}));
    EXPECT_EQ(macros.GroupCount(), 0u);
    EXPECT_EQ(macros.GetGroup(-1), nullptr);
    EXPECT_FALSE(folder.Exists("macro.xml")); // created by the first save only
}

TEST(MacroSettings, ParsesEachFileShape) {
    test::ExpectLog malformed("not well-formed XML");
    const struct {
        const char* what;
        std::string xml;
        bool loads;
        std::vector<std::int64_t>
            choices; // type repeat mode delay media function group skcode play
        std::vector<std::string> groupNames;
        size_t firstGroupItems;
    } cases[] = {
        {"config without repeat reads 0, not the default",
         R"(<config type="1" mode="2" delay="30" media="3" function="4" group="5" skcode="458756" play="6" />)",
         true,
         {1, 0, 2, 30, 3, 4, 5, 458756, 6},
         {},
         0},
        {"macro without config keeps the choices",
         R"(<macro><group name="G"><item code="458756" state="1" delay="5" name="A" /></group></macro>)",
         true,
         {7, 8, 1, 9, 0, 0, 0, 0, 0},
         {"G"},
         1},
        {"groups and items of any name, unnamed group",
         R"(<macro><g><x /><y /></g><group name="B" /></macro><config repeat="2" />)",
         true,
         {0, 2, 0, 0, 0, 0, 0, 0, 0},
         {"", "B"},
         2},
        {"negative and huge numbers wrap or saturate",
         R"(<config repeat="-1" delay="99999999999" group="-2" skcode="4294967295" />)",
         true,
         {0, -1, 0, -1, 0, 0, -2, 4294967295, 0},
         {},
         0},
        {"wrong-case element names are not found",
         R"(<Config repeat="5" /><MACRO><group name="x" /></MACRO>)",
         true,
         {7, 8, 1, 9, 0, 0, 0, 0, 0},
         {},
         0},
        {"empty document", R"(<?xml version="1.0"?>)", true, {7, 8, 1, 9, 0, 0, 0, 0, 0}, {}, 0},
        {"truncated",
         R"(<config repeat="5" /><macro><group name="x">)",
         false,
         {7, 8, 1, 9, 0, 0, 0, 0, 0},
         {"kept"},
         0},
        {"UTF-16 bytes",
         std::string("\xFF\xFE<\0c\0/\0>\0", 10),
         false,
         {7, 8, 1, 9, 0, 0, 0, 0, 0},
         {"kept"},
         0},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MacroSettings macros;
        macros.type = 7;
        macros.repeat = 8;
        macros.mode = 1;
        macros.delay = 9;
        macros.AddGroup(); // no path yet: not saved
        macros.RenameGroup(0, "kept");
        folder.Write("macro.xml", c.xml);
        EXPECT_EQ(macros.Load(folder / "macro.xml"), c.loads);
        EXPECT_EQ(Choices(macros), c.choices);
        std::vector<std::string> names;
        for (const MacroGroup& g : macros.Groups())
            names.push_back(g.name);
        EXPECT_EQ(names, c.groupNames);
        if (!macros.Groups().empty()) {
            EXPECT_EQ(macros.Groups()[0].items.size(), c.firstGroupItems);
        }
    }
}

TEST(MacroSettings, ItemCodesAreDecimal) {
    TempFolder folder;
    folder.Write(
        "macro.xml",
        R"(<macro><group><item code="0x70004" /><item code="458756" state="1" delay="120" name="A" /></group></macro>)");
    MacroSettings macros;
    ASSERT_TRUE(macros.Load(folder / "macro.xml"));
    ASSERT_EQ(macros.Groups()[0].items.size(), 2u);
    EXPECT_EQ(macros.Groups()[0].items[0].code, 0u);
    EXPECT_EQ(macros.Groups()[0].items[1], (MacroItem{458756, 1, 120, "A"}));
}

TEST(MacroSettings, SavesTheDocumentedFormat) {
    TempFolder folder;
    MacroSettings macros;
    macros.Load(folder / "macro.xml");
    macros.AddGroup();
    macros.GetGroup(0)->items = {{458756, 1, 120, "A"}, {458756, 0, 0, "A"}};
    ASSERT_TRUE(macros.Save());
    EXPECT_EQ(folder.Read("macro.xml"), ReadFixture("macro.example.xml"));
}

TEST(MacroSettings, SaveThenLoadReproducesEveryStoredField) {
    TempFolder folder;
    MacroSettings macros;
    macros.Load(folder / "macro.xml");
    macros.type = 3;
    macros.repeat = 12;
    macros.delay = 250; // the fixed delay ...
    macros.mode = 1;    // ... and the delay mode must not swap places
    macros.media = 4;
    macros.function = 5;
    macros.group = 1;
    macros.skcode = 0x000C00CD;
    macros.play = 2;
    macros.playValue = 6; // not stored
    macros.recording = 1; // not stored
    macros.AddGroup();
    macros.AddGroup();
    macros.RenameGroup(1, "Quotes \" & <tags> \xE5\xAE\x8F");
    macros.GetGroup(1)->items = {{0x000700E0, 1, 3, "Left Control"},
                                 {0xFFFFFFFF, 0, 4294967295u, ""}};
    ASSERT_TRUE(macros.Save());

    MacroSettings loaded;
    ASSERT_TRUE(loaded.Load(folder / "macro.xml"));
    EXPECT_EQ(Choices(loaded), Choices(macros));
    EXPECT_EQ(loaded.playValue, 0);
    EXPECT_EQ(loaded.recording, 0);
    EXPECT_EQ(loaded.Groups(), macros.Groups());
}

TEST(MacroSettings, GroupNamesAndChanges) {
    TempFolder folder;
    MacroSettings macros;
    macros.Load(folder / "macro.xml");
    macros.AddGroup();
    macros.AddGroup();
    macros.AddGroup();
    EXPECT_EQ(macros.Groups()[2].name, "Group 2");
    EXPECT_TRUE(macros.DeleteGroup(1));
    macros.AddGroup(); // starts at n = 2, finds it taken
    ASSERT_EQ(macros.GroupCount(), 3u);
    EXPECT_EQ(macros.Groups()[0].name, "Group 0");
    EXPECT_EQ(macros.Groups()[1].name, "Group 2");
    EXPECT_EQ(macros.Groups()[2].name, "Group 3");
    EXPECT_NE(folder.Read("macro.xml").find("Group 3"), std::string::npos);

    EXPECT_FALSE(macros.DeleteGroup(3));
    EXPECT_FALSE(macros.RenameGroup(3, "x"));

    // Renaming to the current name writes nothing.
    std::filesystem::remove(folder / "macro.xml");
    EXPECT_FALSE(macros.RenameGroup(0, "Group 0"));
    EXPECT_FALSE(folder.Exists("macro.xml"));
    EXPECT_TRUE(macros.RenameGroup(0, "Group 2")); // names need not be unique
    EXPECT_TRUE(macros.RenameGroup(1, ""));
    EXPECT_TRUE(folder.Exists("macro.xml"));
}

TEST(MacroSettings, GetGroupResolvesTheSelection) {
    MacroSettings macros;
    macros.AddGroup();
    macros.AddGroup();
    macros.group = 1;
    ASSERT_NE(macros.GetGroup(1), nullptr);
    EXPECT_EQ(macros.GetGroup(-1), macros.GetGroup(1));
    macros.group = 2;
    EXPECT_EQ(macros.GetGroup(-1), nullptr);
    macros.group = -1; // taken as unsigned
    EXPECT_EQ(macros.GetGroup(-1), nullptr);
    EXPECT_EQ(macros.GetGroup(2), nullptr);
}

TEST(MacroSettings, ResetRestoresDefaultsWithoutWriting) {
    TempFolder folder;
    MacroSettings macros;
    macros.Load(folder / "macro.xml");
    macros.AddGroup();
    const std::string saved = folder.Read("macro.xml");
    macros.repeat = 5;
    macros.skcode = 9;
    macros.recording = 1;
    macros.Reset();
    EXPECT_EQ(Choices(macros), (std::vector<std::int64_t>{0, 1, 0, 10, 0, 0, 0, 0, 0}));
    EXPECT_EQ(macros.recording, 0);
    EXPECT_EQ(macros.GroupCount(), 0u);
    EXPECT_EQ(folder.Read("macro.xml"), saved);
}

TEST(MacroSettings, UnreadableFileIsKeptBeforeTheFirstSave) {
    test::ExpectLog malformed("not well-formed XML");
    test::ExpectLog kept("settings file: kept the unreadable");
    TempFolder folder;
    const std::string broken = R"(<config repeat="5" /><macro><group name="mine"><item code="4)";
    folder.Write("macro.xml", broken);
    MacroSettings macros;
    EXPECT_FALSE(macros.Load(folder / "macro.xml"));
    EXPECT_EQ(macros.File().Status(), LoadStatus::Malformed);
    EXPECT_FALSE(folder.Exists("macro.xml.bad")); // nothing happens until a save

    macros.AddGroup();
    EXPECT_EQ(folder.Read("macro.xml.bad"), broken);
    EXPECT_NE(folder.Read("macro.xml").find("Group 0"), std::string::npos);

    // Later saves do not touch the kept copy; a second bad file gets its own name.
    macros.AddGroup();
    EXPECT_EQ(folder.Read("macro.xml.bad"), broken);
    folder.Write("macro.xml", "<broken");
    MacroSettings again;
    again.Load(folder / "macro.xml");
    again.Save();
    EXPECT_EQ(folder.Read("macro.xml.bad"), broken);
    EXPECT_EQ(folder.Read("macro.xml.bad2"), "<broken");
}

TEST(MacroSettings, HostileFilesLoadOrFailCleanly) {
    test::ExpectLog unreadable("cannot read the file");
    TempFolder folder;
    // Deep nesting: only two levels are read, the rest is ignored.
    std::string deep = "<macro><group name=\"deep\">";
    for (int i = 0; i < 100000; ++i)
        deep += "<n>";
    for (int i = 0; i < 100000; ++i)
        deep += "</n>";
    deep += "</group></macro>";
    folder.Write("macro.xml", deep);
    MacroSettings macros;
    ASSERT_TRUE(macros.Load(folder / "macro.xml"));
    ASSERT_EQ(macros.GroupCount(), 1u);
    EXPECT_EQ(macros.Groups()[0].items.size(), 1u);

    // An entity that expands to a huge text is not expanded (no DTD support).
    folder.Write(
        "macro.xml",
        R"(<!DOCTYPE m [<!ENTITY a "aaaaaaaaaa">]><macro><group name="&a;&a;" /></macro>)");
    MacroSettings entities;
    if (entities.Load(folder / "macro.xml")) {
        EXPECT_LE(entities.Groups().at(0).name.size(), 8u);
    }

    // A directory where the file should be.
    std::filesystem::create_directory(folder / "dir.xml");
    MacroSettings directory;
    EXPECT_FALSE(directory.Load(folder / "dir.xml"));
    EXPECT_EQ(directory.File().Status(), LoadStatus::Unreadable);
}

} // namespace
} // namespace keywright
