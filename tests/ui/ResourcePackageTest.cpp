#include "ui/ResourcePackage.h"

#include "UiFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace keywright::ui::test {
namespace {

TEST(ResourcePackage, FindsListedResourcesByIdWithTheTypeInAnyCase) {
    ResourcePackage package;
    ASSERT_TRUE(package.Open(PackageFolder())) << package.Error().toStdString();
    EXPECT_TRUE(package.IsOpen());
    EXPECT_TRUE(package.Error().isEmpty());

    const QString expected = QDir(PackageFolder()).filePath("menu/more.xml");
    for (const char* id : {"smenuex:menu_more", "SMENUEX:menu_more", "SMenuEx:menu_more"}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(package.FilePath(id), expected);
    }
    const auto bytes = package.Read("smenuex:menu_more");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_TRUE(bytes->contains("<menu>"));
    EXPECT_EQ(package.Ids().front(), "uidef:xml_init");
}

TEST(ResourcePackage, AnUnknownIdIsMissing) {
    ResourcePackage package;
    ASSERT_TRUE(package.Open(PackageFolder()));
    // Names are matched exactly; the type alone or the name alone is no id.
    for (const char* id : {"smenuex:MENU_MORE", "smenuex:menu", "menu_more",
                           "smenuex:", ":menu_more", "", "layout:xml_mainwnd"}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(package.FilePath(id).isEmpty());
        EXPECT_FALSE(package.Read(id).has_value());
    }
}

TEST(ResourcePackage, AListedFileThatIsNotThereReadsAsMissing) {
    ResourcePackage package;
    ASSERT_TRUE(package.Open(PackageFolder()));
    EXPECT_FALSE(package.FilePath("LAYOUT:listed_but_missing").isEmpty());
    EXPECT_FALSE(package.Read("LAYOUT:listed_but_missing").has_value());
}

TEST(ResourcePackage, RejectsABadIndexAndStaysEmpty) {
    const struct {
        const char* what;
        const char* index; // nullptr: no index file at all
        const char* errorMentions;
    } cases[] = {
        {"no index", nullptr, "index.xml"},
        {"empty file", "", "index.xml"},
        {"not well-formed", "<resources><file id=\"a:b\" path=\"x\"></resources>", "index.xml:1"},
        {"other top element", "<index><file id=\"a:b\" path=\"x\"/></index>", "resources"},
        {"unknown element", "<resources><res id=\"a:b\" path=\"x\"/></resources>", "res"},
        {"no id", "<resources><file path=\"x\"/></resources>", "type:name"},
        {"id without name", "<resources><file id=\"a:\" path=\"x\"/></resources>", "a:"},
        {"id without type", "<resources><file id=\":b\" path=\"x\"/></resources>", ":b"},
        {"id without colon", "<resources><file id=\"ab\" path=\"x\"/></resources>", "ab"},
        {"no path", "<resources><file id=\"a:b\"/></resources>", "a:b"},
        {"absolute path", "<resources><file id=\"a:b\" path=\"/etc/passwd\"/></resources>", "/etc"},
        {"climbing path", "<resources><file id=\"a:b\" path=\"img/../../x.png\"/></resources>",
         ".."},
        {"backslash path", "<resources><file id=\"a:b\" path=\"..\\x.png\"/></resources>", "x.png"},
        {"drive path", "<resources><file id=\"a:b\" path=\"C:/x.png\"/></resources>", "C:"},
        {"empty path part", "<resources><file id=\"a:b\" path=\"img//x.png\"/></resources>", "img"},
        {"duplicate id",
         "<resources><file id=\"a:b\" path=\"x\"/><file id=\"A:b\" path=\"y\"/></resources>",
         "twice"},
        {"junk after top", "<resources><file id=\"a:b\" path=\"x\"/></resources><more/>",
         "index.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir folder;
        ASSERT_TRUE(folder.isValid());
        if (c.index != nullptr) {
            QFile file(folder.filePath("index.xml"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(c.index);
        }
        ResourcePackage package;
        EXPECT_FALSE(package.Open(folder.path()));
        EXPECT_FALSE(package.IsOpen());
        EXPECT_TRUE(package.Error().contains(QString::fromUtf8(c.errorMentions)))
            << package.Error().toStdString();
        EXPECT_TRUE(package.Ids().isEmpty());
        EXPECT_TRUE(package.FilePath("a:b").isEmpty());
    }
}

TEST(ResourcePackage, ReopeningWithABadIndexForgetsTheGoodOne) {
    ResourcePackage package;
    ASSERT_TRUE(package.Open(PackageFolder()));
    QTemporaryDir empty;
    EXPECT_FALSE(package.Open(empty.path()));
    EXPECT_TRUE(package.FilePath("smenuex:menu_more").isEmpty());
}

} // namespace
} // namespace keywright::ui::test
