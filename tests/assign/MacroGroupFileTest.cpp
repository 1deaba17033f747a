#include "assign/MacroGroupFile.h"

#include "support/LogCheck.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace keywright {
namespace {

constexpr KeyCode kA = 0x70004;
constexpr KeyCode kB = 0x70005;
constexpr KeyCode kVolumeUp = 0xC00E9;

// Two folders, as two machines: macro settings here and there, each with its
// own macro.xml.
class MacroGroupFileTest : public ::testing::Test {
  protected:
    MacroGroupFileTest() {
        here.Load(folder / "macro-here.xml");
        there.Load(folder / "macro-there.xml");
    }

    MacroGroup& AddGroup(MacroSettings& settings, std::string name, std::vector<MacroItem> items) {
        settings.AddGroup();
        MacroGroup& group = *settings.GetGroup(static_cast<int>(settings.GroupCount() - 1));
        group.name = std::move(name);
        group.items = std::move(items);
        settings.Save();
        return group;
    }

    test::TempFolder folder;
    MacroSettings here;
    MacroSettings there;
};

TEST_F(MacroGroupFileTest, AGroupExportedAndImportedElsewhereIsTheSameGroup) {
    // Names a person may type, and steps with every extreme a recording or
    // the delay cell can give.
    const std::string names[] = {
        "Greeting",
        "",
        "  spaces around  ",
        "quotes \" and ' <tags> & ampersands",
        "tab\there, line\nbreak, cr\r, and a bell\x07",
        "连招 — ünïcödé ✓",
    };
    const std::vector<MacroItem> steps = {
        {kA, 1, 80, "A"},
        {kA, 0, 0, "A"},
        {kVolumeUp, 1, 4294967295u, "Volume Up"},
        {kB, 0, 1, ""},
    };
    AddGroup(there, "Already there", {{kB, 1, 5, "B"}});

    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        MacroGroup& mine = AddGroup(here, name, steps);
        const auto file = folder / "shared.xml";
        const GroupFileResult exported = ExportMacroGroup(here, here.GroupCount() - 1, file);
        ASSERT_TRUE(exported.ok) << exported.message;

        const std::size_t before = there.GroupCount();
        const GroupImportResult imported = ImportMacroGroups(there, file);
        ASSERT_EQ(imported.message, "");
        EXPECT_EQ(imported.added, 1u);
        ASSERT_EQ(there.GroupCount(), before + 1);
        EXPECT_EQ(there.Groups().back(), mine);
        EXPECT_EQ(there.Groups().front().name, "Already there");
    }

    // And it was saved: a fresh read of the other macro.xml has them all.
    MacroSettings reread;
    ASSERT_TRUE(reread.Load(folder / "macro-there.xml"));
    EXPECT_EQ(reread.Groups(), there.Groups());
}

TEST_F(MacroGroupFileTest, ExportWritesTheDocumentedFormat) {
    AddGroup(here, "Hi", {{kA, 1, 80, "A"}, {kA, 0, 0, "A"}});
    ASSERT_TRUE(ExportMacroGroup(here, 0, folder / "hi.xml").ok);
    EXPECT_EQ(folder.Read("hi.xml"),
              "<?xml version=\"1.0\"?>\n"
              "<keywright-macros version=\"1\">\n"
              "\t<group name=\"Hi\">\n"
              "\t\t<item code=\"458756\" state=\"1\" delay=\"80\" name=\"A\" />\n"
              "\t\t<item code=\"458756\" state=\"0\" delay=\"0\" name=\"A\" />\n"
              "\t</group>\n"
              "</keywright-macros>\n");
}

TEST_F(MacroGroupFileTest, ExportOfNoGroupOrToAnUnwritablePlaceSaysWhy) {
    AddGroup(here, "Hi", {});
    const GroupFileResult none = ExportMacroGroup(here, 1, folder / "x.xml");
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.message, "there is no macro group 2");
    EXPECT_FALSE(folder.Exists("x.xml"));

    const GroupFileResult nowhere = ExportMacroGroup(here, 0, folder / "no-folder" / "x.xml");
    EXPECT_FALSE(nowhere.ok);
    EXPECT_NE(nowhere.message.find("no-folder"), std::string::npos) << nowhere.message;
}

TEST_F(MacroGroupFileTest, AFileThatIsNotAWholeGroupFileChangesNothing) {
    const std::string head = "<?xml version=\"1.0\"?>\n<keywright-macros version=\"1\">\n";
    const std::string good = head +
                             "<group name=\"One\"><item code=\"458756\" state=\"1\" delay=\"9\" "
                             "name=\"A\" /></group>\n"
                             "<group name=\"Two\" />\n</keywright-macros>\n";
    struct Case {
        const char* what;
        std::string bytes;
        const char* says;
    };
    const Case cases[] = {
        {"empty", "", "damaged or cut short"},
        {"not XML", "\x89PNG\r\n\x1a\n....", "damaged or cut short"},
        {"cut short", good.substr(0, good.size() - 20), "damaged or cut short"},
        {"cut at the last tag", good.substr(0, good.find("</keywright-macros>")),
         "damaged or cut short"},
        {"another settings file", "<?xml version=\"1.0\"?><config type=\"0\" /><macro />",
         "not a Keywright macro group file"},
        {"macro.xml itself", "<macro><group name=\"g\" /></macro>",
         "not a Keywright macro group file"},
        {"no version", "<keywright-macros><group name=\"g\" /></keywright-macros>",
         "made by another version"},
        {"a newer version",
         "<keywright-macros version=\"2\"><group name=\"g\" /></keywright-macros>",
         "made by another version"},
        {"no group", head + "</keywright-macros>", "holds no macro group"},
        {"a stranger element", head + "<group name=\"g\" /><script /></keywright-macros>",
         "group 2: unexpected element <script>"},
        {"a group without a name",
         head + "<group><item code=\"4\" state=\"1\" delay=\"0\" /></group>"
                "</keywright-macros>",
         "group 1: the group has no name"},
        {"a step with no code",
         head + "<group name=\"g\"><item state=\"1\" delay=\"0\" /></group>"
                "</keywright-macros>",
         "group 1, step 1: \"code\" is not a whole number"},
        {"a negative delay",
         head + "<group name=\"g\"><item code=\"4\" state=\"1\" delay=\"-1\" /></group>"
                "</keywright-macros>",
         "\"delay\" is not a whole number: \"-1\""},
        {"a delay past 32 bits",
         head + "<group name=\"g\"><item code=\"4\" state=\"1\" delay=\"4294967296\" /></group>"
                "</keywright-macros>",
         "\"delay\" is not a whole number"},
        {"a code in hex",
         head + "<group name=\"g\"><item code=\"0x4\" state=\"1\" delay=\"0\" />"
                "</group></keywright-macros>",
         "\"code\" is not a whole number"},
        {"a padded number",
         head + "<group name=\"g\"><item code=\" 4\" state=\"1\" delay=\"0\" />"
                "</group></keywright-macros>",
         "\"code\" is not a whole number"},
        {"code 0",
         head + "<group name=\"g\"><item code=\"0\" state=\"1\" delay=\"0\" /></group>"
                "</keywright-macros>",
         "\"code\" is 0"},
        {"a state that is neither up nor down",
         head + "<group name=\"g\"><item code=\"4\" state=\"2\" delay=\"0\" /></group>"
                "</keywright-macros>",
         "group 1, step 1: \"state\" is 2"},
        {"a bad step after good groups",
         head + "<group name=\"a\"/><group name=\"b\"><item code=\"4\" state=\"1\" delay=\"0\"/>"
                "<item code=\"4\" state=\"1\" delay=\"0\"/><itm/></group></keywright-macros>",
         "group 2, step 3: unexpected element <itm>"},
        {"too large", head + std::string(17 << 20, ' ') + "</keywright-macros>", "too large"},
    };

    AddGroup(here, "Mine", {{kA, 1, 10, "A"}});
    const std::string macroXml = folder.Read("macro-here.xml");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        folder.Write("in.xml", c.bytes);
        const GroupImportResult result = ImportMacroGroups(here, folder / "in.xml");
        EXPECT_EQ(result.added, 0u);
        EXPECT_NE(result.message.find(c.says), std::string::npos) << result.message;
        EXPECT_EQ(result.message.rfind((folder / "in.xml").string(), 0), 0u) << result.message;
        ASSERT_EQ(here.GroupCount(), 1u);
        EXPECT_EQ(folder.Read("macro-here.xml"), macroXml);
    }

    for (const char* missing : {"nothing-here.xml", ""}) {
        const GroupImportResult result = ImportMacroGroups(here, folder / missing);
        EXPECT_EQ(result.added, 0u);
        EXPECT_NE(result.message, "");
    }
    EXPECT_EQ(here.GroupCount(), 1u);
}

TEST_F(MacroGroupFileTest, ImportAddsEveryGroupOfAFileAfterTheOwnOnes) {
    folder.Write("two.xml",
                 "<?xml version=\"1.0\"?>\n<keywright-macros version=\"1\">\n"
                 "<!-- written by hand -->\n"
                 "<group name=\"One\"><item code=\"458756\" state=\"1\" delay=\"9\" /></group>\n"
                 "<group name=\"Mine\" />\n</keywright-macros>\n");
    AddGroup(here, "Mine", {{kA, 1, 10, "A"}});
    const GroupImportResult result = ImportMacroGroups(here, folder / "two.xml");
    ASSERT_EQ(result.message, "");
    EXPECT_EQ(result.added, 2u);
    const std::vector<MacroGroup> expected = {
        {"Mine", {{kA, 1, 10, "A"}}}, {"One", {{kA, 1, 9, ""}}}, {"Mine", {}}};
    EXPECT_EQ(here.Groups(), expected);
}

TEST_F(MacroGroupFileTest, EntitiesOfADocumentTypeAreNotExpanded) {
    folder.Write("bomb.xml", "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\">"
                             "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">]>"
                             "<keywright-macros version=\"1\"><group name=\"&b;\"/>"
                             "</keywright-macros>");
    const GroupImportResult result = ImportMacroGroups(here, folder / "bomb.xml");
    ASSERT_EQ(result.message, "");
    EXPECT_EQ(here.Groups().back().name, "&b;");
}

TEST_F(MacroGroupFileTest, ImportThatCannotSaveKeepsTheGroupsAndSaysSo) {
    MacroSettings readOnly(SaveMode::ReadOnly);
    readOnly.Load(folder / "macro-ro.xml");
    AddGroup(here, "Hi", {});
    ASSERT_TRUE(ExportMacroGroup(here, 0, folder / "hi.xml").ok);
    const GroupImportResult result = ImportMacroGroups(readOnly, folder / "hi.xml");
    EXPECT_EQ(result.added, 1u);
    EXPECT_EQ(result.message, "the groups were added, but macro.xml could not be written");
    EXPECT_EQ(readOnly.GroupCount(), 1u);
}

} // namespace
} // namespace keywright
