// Where a copy of Keywright reads its resources and keeps its settings, on
// small folder trees laid out as a build tree or an installed prefix.

#include "ctl/ProgramFolders.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace keywright {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

enum class Layout {
    Portable,     // uires/ beside the executable (and a data folder too)
    Installed,    // uires/ only in the prefix's data folder
    Neither,      // no uires/ anywhere
    UiresIsAFile, // a file named uires beside the executable, the data folder complete
};

// A prefix under `root`: <root>/usr/bin with the executables, the data folder
// where the install puts it.
struct Tree {
    fs::path bin;
    fs::path data;
};

Tree MakeTree(const fs::path& root, Layout layout) {
    Tree tree{root / "usr" / "bin", InstalledDataFolder(root / "usr" / "bin")};
    fs::create_directories(tree.bin);
    fs::create_directories(tree.data);
    if (layout == Layout::Portable)
        fs::create_directories(tree.bin / "uires");
    if (layout == Layout::UiresIsAFile)
        std::ofstream(tree.bin / "uires") << "not a folder";
    if (layout != Layout::Neither)
        fs::create_directories(tree.data / "uires");
    return tree;
}

TEST(ProgramFolders, TheInstalledDataFolderIsInThePrefixBesideBin) {
    EXPECT_EQ(InstalledDataFolder("/usr/bin"), fs::path("/usr/share/keywright"));
    EXPECT_EQ(InstalledDataFolder("/opt/kw/bin"), fs::path("/opt/kw/share/keywright"));
}

TEST(ProgramFolders, PortableBesideTheExecutableInstalledInTheUsersConfigFolder) {
    const struct {
        const char* name;
        Layout layout;
        const char* xdg;
        const char* home;
        bool installed;
        const char* settings; // "BIN": the executable's folder
    } cases[] = {
        {"portable ignores the user's folders", Layout::Portable, "/x/cfg", "/home/a", false,
         "BIN"},
        {"no package anywhere stays beside", Layout::Neither, "/x/cfg", "/home/a", false, "BIN"},
        {"portable without HOME", Layout::Portable, "", "", false, "BIN"},
        {"installed, XDG_CONFIG_HOME", Layout::Installed, "/x/cfg", "/home/a", true,
         "/x/cfg/keywright"},
        {"installed, XDG_CONFIG_HOME unset", Layout::Installed, "", "/home/a", true,
         "/home/a/.config/keywright"},
        {"relative XDG_CONFIG_HOME is ignored", Layout::Installed, "cfg", "/home/a", true,
         "/home/a/.config/keywright"},
        {"trailing slashes", Layout::Installed, "/x/cfg/", "/home/a/", true, "/x/cfg/keywright"},
        {"a file named uires is no package", Layout::UiresIsAFile, "", "/home/a", true,
         "/home/a/.config/keywright"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder root;
        const Tree tree = MakeTree(root.Path(), c.layout);
        std::string problem;
        const auto folders = LocateProgramFolders({tree.bin, c.xdg, c.home}, problem);
        ASSERT_TRUE(folders) << problem;
        EXPECT_EQ(folders->installed, c.installed);
        EXPECT_EQ(folders->resources, c.installed ? tree.data : tree.bin);
        EXPECT_EQ(folders->settings,
                  std::string(c.settings) == "BIN" ? tree.bin : fs::path(c.settings));
    }
}

TEST(ProgramFolders, AnInstalledCopyWithoutAnAbsoluteHomeHasNoSettingsFolder) {
    const struct {
        const char* xdg;
        const char* home;
    } cases[] = {{"", ""}, {"", "home/a"}, {"cfg", ""}};
    TempFolder root;
    const Tree tree = MakeTree(root.Path(), Layout::Installed);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("XDG_CONFIG_HOME=[") + c.xdg + "] HOME=[" + c.home + "]");
        std::string problem;
        EXPECT_FALSE(LocateProgramFolders({tree.bin, c.xdg, c.home}, problem));
        EXPECT_NE(problem.find("HOME"), std::string::npos) << problem;
    }
}

// An installed copy with a shipped config.xml and a user's home folder.
class FirstStart : public ::testing::Test {
  protected:
    void SetUp() override {
        tree = MakeTree(root.Path(), Layout::Installed);
        std::ofstream(tree.data / "config.xml", std::ios::binary) << kShipped;
        fs::create_directories(Home("a"));
    }

    fs::path Home(const std::string& user) const { return root / "home" / user; }

    ProgramFolders Locate(const std::string& user) {
        std::string problem;
        const auto folders = LocateProgramFolders({tree.bin, "", Home(user).string()}, problem);
        EXPECT_TRUE(folders) << problem;
        return folders.value_or(ProgramFolders{});
    }

    static constexpr const char* kShipped = "<local language=\"en\"/>\r\n<funkey/>\n";
    TempFolder root;
    Tree tree;
};

TEST_F(FirstStart, MakesThePrivateSettingsFolderAndCopiesTheShippedConfigOnce) {
    const ProgramFolders folders = Locate("a");
    ASSERT_TRUE(PrepareSettingsFolder(folders));

    // ~/.config did not exist: both folders are new, and the user's own.
    for (const fs::path& made : {Home("a") / ".config", folders.settings}) {
        SCOPED_TRACE(made.string());
        ASSERT_TRUE(fs::is_directory(made));
        EXPECT_EQ(fs::status(made).permissions() & fs::perms::all, fs::perms::owner_all);
    }
    EXPECT_EQ(TempFolder::ReadFile(folders.settings / "config.xml"), kShipped);
    EXPECT_EQ(std::distance(fs::directory_iterator(folders.settings), fs::directory_iterator()), 1)
        << "only config.xml";

    // The user edits it; later starts keep the edit, also when the shipped
    // one changes with an upgrade.
    std::ofstream(folders.settings / "config.xml") << "<local language=\"cn\"/>";
    std::ofstream(tree.data / "config.xml") << "<local language=\"en\"/><combkey/>";
    ASSERT_TRUE(PrepareSettingsFolder(folders));
    EXPECT_EQ(TempFolder::ReadFile(folders.settings / "config.xml"), "<local language=\"cn\"/>");
}

TEST_F(FirstStart, AnExistingConfigFolderKeepsItsPermissions) {
    fs::create_directories(Home("a") / ".config");
    fs::permissions(Home("a") / ".config", fs::perms(0755));
    ASSERT_TRUE(PrepareSettingsFolder(Locate("a")));
    EXPECT_EQ(fs::status(Home("a") / ".config").permissions() & fs::perms::all, fs::perms(0755));
}

TEST_F(FirstStart, WithoutAShippedConfigTheFolderIsMadeEmpty) {
    fs::remove(tree.data / "config.xml");
    const ProgramFolders folders = Locate("a");
    ASSERT_TRUE(PrepareSettingsFolder(folders));
    EXPECT_TRUE(fs::is_directory(folders.settings));
    EXPECT_FALSE(fs::exists(folders.settings / "config.xml"));
}

TEST_F(FirstStart, TwoUsersGetTheirOwnFoldersAndCopies) {
    fs::create_directories(Home("b"));
    const ProgramFolders a = Locate("a");
    const ProgramFolders b = Locate("b");
    ASSERT_NE(a.settings, b.settings);
    ASSERT_TRUE(PrepareSettingsFolder(a));
    std::ofstream(a.settings / "config.xml") << "<local language=\"cn\"/>";
    std::ofstream(a.settings / "record.xml") << "<record/>";
    ASSERT_TRUE(PrepareSettingsFolder(b));
    EXPECT_EQ(TempFolder::ReadFile(b.settings / "config.xml"), kShipped);
    EXPECT_FALSE(fs::exists(b.settings / "record.xml"));
    EXPECT_EQ(TempFolder::ReadFile(a.settings / "config.xml"), "<local language=\"cn\"/>");
}

TEST_F(FirstStart, ASettingsPathThatIsAFileIsRefusedAndKept) {
    fs::create_directories(Home("a") / ".config");
    std::ofstream(Home("a") / ".config" / "keywright") << "mine";
    const platform::FileResult result = PrepareSettingsFolder(Locate("a"));
    EXPECT_FALSE(result);
    EXPECT_NE(result.error.find("keywright exists and is not a folder"), std::string::npos)
        << result.error;
    EXPECT_EQ(TempFolder::ReadFile(Home("a") / ".config" / "keywright"), "mine");
}

TEST_F(FirstStart, AHomeTheUserCannotWriteIsAFailureThatSaysWhere) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes to any folder";
    fs::permissions(Home("a"), fs::perms(0555));
    const platform::FileResult result = PrepareSettingsFolder(Locate("a"));
    fs::permissions(Home("a"), fs::perms::owner_all);
    EXPECT_FALSE(result);
    EXPECT_NE(result.error.find((Home("a") / ".config").string()), std::string::npos)
        << result.error;
}

TEST_F(FirstStart, APortableCopyIsLeftAsItIs) {
    fs::create_directories(tree.bin / "uires");
    const ProgramFolders folders = Locate("a");
    ASSERT_FALSE(folders.installed);
    ASSERT_TRUE(PrepareSettingsFolder(folders));
    EXPECT_FALSE(fs::exists(tree.bin / "config.xml"));
    EXPECT_FALSE(fs::exists(Home("a") / ".config"));
}

} // namespace
} // namespace keywright
