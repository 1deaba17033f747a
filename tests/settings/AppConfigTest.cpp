#include "settings/AppConfig.h"

#include "support/LogCheck.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace keywright {
namespace {

using test::TempFolder;

AppConfig LoadConfig(const TempFolder& folder, const std::string& bytes) {
    folder.Write("config.xml", bytes);
    AppConfig config(folder.Path());
    config.Load();
    return config;
}

TEST(AppConfig, LanguageIsChineseOnlyForExactlyCn) {
    const struct {
        std::string xml;
        int chinese;
    } cases[] = {
        {R"(<local language="cn" />)", 1},
        {R"(<local language="CN" />)", 0},
        {R"(<local language="zh" />)", 0},
        {R"(<local language=" cn" />)", 0},
        {R"(<local />)", 0},
        {R"(<local Language="cn" />)", 0}, // attribute names are case-sensitive
        {R"(<usb vid="1" />)", 0},
        {R"(<?xml version="1.0"?><usb /><local language="cn" />)", 1},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        EXPECT_EQ(LoadConfig(folder, c.xml).Chinese(), c.chinese);
    }
}

TEST(AppConfig, ReadsAllListsOfAFullFile) {
    TempFolder folder;
    const AppConfig config = LoadConfig(folder, R"(<?xml version="1.0" encoding="utf-8"?>
<local language="cn" />
<usb vid="0x1A2C" pid="9ff6" interface="-1" subdevice="ffffffff" />
<funkey>
	<key name="Play" path="" argm="" code="C00CD" />
	<key name="" code="C00E2" />
	<anything name="Mute" path="p" argm="a" code="0xc00e2" />
	<nocode name="No code" />
</funkey>
<combkey>
	<key name="Copy" code="458976:0,458758:0" />
	<key code="458976 : 0 , , 458758:5" />
	<key name="Empty" />
</combkey>
)");
    EXPECT_EQ(config.Chinese(), 1);
    EXPECT_EQ(config.UsbVendor(), 0x1A2C);
    EXPECT_EQ(config.UsbProduct(), 0x9FF6);
    EXPECT_EQ(config.UsbInterface(), -1);
    EXPECT_EQ(config.UsbSubdevice(), 0x7FFFFFFF);

    ASSERT_EQ(config.FunKeys().size(), 3u); // the entry with an empty name is dropped
    EXPECT_EQ(config.FunKeys()[0].name, "Play");
    EXPECT_EQ(config.FunKeys()[0].code, 0x000C00CDu);
    EXPECT_EQ(config.FunKeys()[1].name, "Mute");
    EXPECT_EQ(config.FunKeys()[1].path, "p");
    EXPECT_EQ(config.FunKeys()[1].argm, "a");
    EXPECT_EQ(config.FunKeys()[1].code, 0x000C00E2u);
    EXPECT_EQ(config.FunKeys()[2].code, 0u);

    ASSERT_EQ(config.CombKeys().size(), 3u); // kept even without a name or pairs
    EXPECT_EQ(config.CombKeys()[0].name, "Copy");
    ASSERT_EQ(config.CombKeys()[0].pairs.size(), 2u);
    EXPECT_EQ(config.CombKeys()[0].pairs[0].code, 458976);
    EXPECT_EQ(config.CombKeys()[0].pairs[1].code, 458758);
    EXPECT_EQ(config.CombKeys()[1].name, "");
    ASSERT_EQ(config.CombKeys()[1].pairs.size(), 2u);
    EXPECT_EQ(config.CombKeys()[1].pairs[1].delay, 5);
    EXPECT_TRUE(config.CombKeys()[2].pairs.empty());
}

TEST(AppConfig, CombKeyCodeText) {
    const struct {
        std::string text;
        std::vector<std::pair<int, int>> pairs;
    } cases[] = {
        {"458976:0,458758:0", {{458976, 0}, {458758, 0}}},
        {"458976 : 0 , , 458758:5", {{458976, 0}, {458758, 5}}},
        {"458976", {{458976, 0}}},
        {",458976:7,", {{458976, 7}}},
        {"458976::9", {{458976, 9}}},         // empty parts are skipped
        {"458976:1:2:3", {{458976, 1}}},      // parts after the second are ignored
        {"1 2 3:4 5", {{123, 45}}},           // blanks vanish before splitting
        {"\t458976:-3", {{458976, -3}}},      // only blanks are removed; tabs are leading space
        {"99999999999:0", {{2147483647, 0}}}, // saturates
        {":::,458976", {{458976, 0}}},        // a piece of colons only holds no number
        {"abc,458976", {{458976, 0}}},
        {"", {}},
        {",,,", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::pair<int, int>> pairs;
        for (const CombKeyPair& p : ParseCombKeyCode(c.text))
            pairs.emplace_back(p.code, p.delay);
        EXPECT_EQ(pairs, c.pairs);
    }
}

TEST(AppConfig, EncodingComesFromByteOrderMarkOrDeclaration) {
    TempFolder folder;
    // UTF-16 little endian with a byte-order mark.
    const std::string text =
        R"(<local language="cn" /><funkey><k name="Lecture" code="cd" /></funkey>)";
    std::string utf16 = "\xFF\xFE";
    for (char c : text) {
        utf16 += c;
        utf16 += '\0';
    }
    AppConfig wide = LoadConfig(folder, utf16);
    EXPECT_EQ(wide.Chinese(), 1);
    ASSERT_EQ(wide.FunKeys().size(), 1u);
    EXPECT_EQ(wide.FunKeys()[0].name, "Lecture");

    // Latin-1, said by the declaration: the name arrives as UTF-8.
    AppConfig latin = LoadConfig(
        folder,
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<funkey><k name=\"Caf\xE9\" /></funkey>");
    ASSERT_EQ(latin.FunKeys().size(), 1u);
    EXPECT_EQ(latin.FunKeys()[0].name, "Caf\xC3\xA9");
}

TEST(AppConfig, UnusableFileLeavesEnglishAndEmptyLists) {
    test::ExpectLog malformed("not well-formed XML");
    const std::string cases[] = {
        R"(<local language="cn" /><funkey><k name="Play" code="cd" /></funkey)", // truncated
        R"(<local language="cn">)",
        std::string("\0\1\2<garbage", 10),
        "not xml at all",
    };
    TempFolder folder;
    for (const std::string& xml : cases) {
        SCOPED_TRACE(xml);
        const AppConfig config = LoadConfig(folder, xml);
        EXPECT_EQ(config.Chinese(), 0);
        EXPECT_TRUE(config.FunKeys().empty());
        EXPECT_TRUE(config.CombKeys().empty());
    }

    AppConfig missing(folder.Path() / "nowhere");
    missing.Load();
    EXPECT_EQ(missing.Chinese(), 0);
    EXPECT_EQ(missing.File().Status(), LoadStatus::Missing);
}

} // namespace
} // namespace keywright
