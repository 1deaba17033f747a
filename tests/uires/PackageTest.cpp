// The package as a whole: the resources the program asks for, every file the
// index names, every resource the layouts and the UI definition name, the
// skins, the style sheet and the instance tag.

#include "PackageFixture.h"

#include <QApplication>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QRegularExpression>
#include <pugixml.hpp>
#include <vector>

namespace keywright::uires::test {
namespace {

pugi::xml_document ParseResource(const ui::Toolkit& toolkit, const QString& id) {
    pugi::xml_document document;
    const auto bytes = toolkit.Package().Read(id);
    EXPECT_TRUE(bytes.has_value()) << Str(id);
    if (bytes) {
        const auto parsed =
            document.load_buffer(bytes->constData(), static_cast<size_t>(bytes->size()));
        EXPECT_TRUE(parsed) << Str(id) << ": " << parsed.description();
    }
    return document;
}

// Messages Qt reports while it lives.
class MessageCatcher {
  public:
    MessageCatcher() {
        caught_.clear();
        previous_ = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&,
                                              const QString& text) { caught_.push_back(text); });
    }
    ~MessageCatcher() { qInstallMessageHandler(previous_); }
    MessageCatcher(const MessageCatcher&) = delete;
    MessageCatcher& operator=(const MessageCatcher&) = delete;

    static const std::vector<QString>& Caught() { return caught_; }

  private:
    static inline std::vector<QString> caught_;
    QtMessageHandler previous_;
};

TEST_F(PackageTest, EveryResourceTheProgramAsksForIsThere) {
    for (const char* id : kProgramIds) {
        SCOPED_TRACE(id);
        const auto bytes = toolkit.Package().Read(QString::fromLatin1(id));
        ASSERT_TRUE(bytes.has_value()) << "not in the index, or its file is missing";
        EXPECT_FALSE(bytes->isEmpty());
    }
    EXPECT_FALSE(toolkit.Icon(QStringLiteral("ICON:ICON_LOGO")).isNull());
}

TEST_F(PackageTest, EveryFileOfTheIndexExistsAndEveryImageDecodes) {
    // The index names build outputs (images) and copied files alike; a path
    // that is wrong, or an output the build no longer makes, shows here.
    for (const QString& id : toolkit.Package().Ids()) {
        SCOPED_TRACE(Str(id));
        const QString path = toolkit.Package().FilePath(id);
        ASSERT_TRUE(QFileInfo::exists(path)) << Str(path);
        if (path.endsWith(u".png")) {
            QImageReader reader(path);
            EXPECT_TRUE(reader.canRead()) << Str(reader.errorString());
            EXPECT_FALSE(toolkit.Image(id, 1.0).isNull());
            EXPECT_FALSE(toolkit.Image(id, 2.0).isNull());
        }
    }
}

// Properties of the layouts whose values name something of the package.
enum class Names { Image, Skin, Layout, Menu, Icons, ProgramFile };
struct Reference {
    const char* property;
    Names kind;
};
constexpr Reference kReferences[] = {
    {"bg", Names::Image},     {"chking", Names::Image},       {"chked", Names::Image},
    {"skin", Names::Skin},    {"iconSkin", Names::Skin},      {"focusSkin", Names::Skin},
    {"tabSkin", Names::Skin}, {"tabHeadBgSkin", Names::Skin}, {"ani_in", Names::Skin},
    {"ani_out", Names::Skin}, {"rowTemplate", Names::Layout}, {"menu", Names::Menu},
    {"ico", Names::Icons},    {"crdxml", Names::ProgramFile},
};

TEST_F(PackageTest, EveryResourceALayoutNamesIsThere) {
    // Read from the files as written: a widget refuses a name that finds
    // nothing and keeps its former value, which would hide the mistake.
    int checked = 0;
    for (const char* layout : kLayoutIds) {
        const pugi::xml_document document = ParseResource(toolkit, QString::fromLatin1(layout));
        for (const pugi::xpath_node& node : document.select_nodes("//property[string]")) {
            const pugi::xml_node property = node.node();
            const QString value = QString::fromUtf8(property.child("string").text().get());
            for (const Reference& reference : kReferences) {
                if (std::string_view(property.attribute("name").value()) != reference.property)
                    continue;
                SCOPED_TRACE(std::string(layout) + " " + reference.property + "=" + Str(value));
                ++checked;
                switch (reference.kind) {
                case Names::Image:
                    EXPECT_FALSE(toolkit.Image(value).isNull());
                    break;
                case Names::Skin:
                    EXPECT_FALSE(toolkit.FindSkin(value).IsNull());
                    break;
                case Names::Layout:
                    EXPECT_NE(toolkit.Package().FilePath(value), QString());
                    EXPECT_TRUE(value.startsWith(u"LAYOUT:"));
                    break;
                case Names::Menu:
                    EXPECT_TRUE(toolkit.Package().Read(value).has_value());
                    break;
                case Names::Icons:
                    for (const QString& icon : value.split(u';', Qt::SkipEmptyParts))
                        EXPECT_FALSE(toolkit.Icon(icon).isNull()) << Str(icon);
                    break;
                case Names::ProgramFile:
                    EXPECT_TRUE(QFileInfo::exists(ProgramFolder() + u'/' + value));
                    break;
                }
            }
        }
    }
    EXPECT_GT(checked, 0);
}

TEST_F(PackageTest, EverySkinIsThereAndCutsItsImageIntoWholeFrames) {
    const pugi::xml_document document = ParseResource(toolkit, QStringLiteral("uidef:xml_init"));
    for (const pugi::xml_node item : document.child("uidef").child("skin").children("item")) {
        const QString name = QString::fromUtf8(item.attribute("name").value());
        SCOPED_TRACE(Str(name));
        for (const qreal scale : {1.0, 2.0}) {
            const ui::Skin skin = toolkit.FindSkin(name, scale);
            ASSERT_FALSE(skin.IsNull());
            // A wrong state count cuts frames out of step with the strip.
            EXPECT_EQ(skin.Pixmap().width() % skin.States(), 0) << "at scale " << scale;
        }
    }
}

TEST_F(PackageTest, TheStyleSheetParsesAndItsImagesExist) {
    const auto sheet = toolkit.Package().Read(toolkit.Definition().StyleSheet());
    ASSERT_TRUE(sheet.has_value());
    {
        // Qt parses the application's style sheet when it first styles a
        // widget, and drops the whole sheet when any of it does not parse.
        const MessageCatcher catcher;
        qApp->setStyleSheet(QString()); // parsed afresh, whatever ran before
        qApp->setStyleSheet(QString::fromUtf8(*sheet));
        QLabel probe;
        probe.ensurePolished();
        for (const QString& message : MessageCatcher::Caught())
            EXPECT_FALSE(message.contains(u"Could not parse")) << Str(message);
    }
    // Paths are relative to the program folder, the program's working folder.
    static const QRegularExpression kUrl(QStringLiteral(R"re(url\(\s*"?([^")]+)"?\s*\))re"));
    int urls = 0;
    for (auto match = kUrl.globalMatch(QString::fromUtf8(*sheet)); match.hasNext(); ++urls) {
        const QString path = match.next().captured(1);
        EXPECT_TRUE(QFileInfo::exists(ProgramFolder() + u'/' + path)) << Str(path);
    }
    EXPECT_GT(urls, 0);
}

TEST_F(PackageTest, TheInstanceTagIsStringZeroAndNeverChanges) {
    // Two releases with different tags would not see each other run.
    EXPECT_EQ(toolkit.Definition().String(0),
              QStringLiteral("Keywright.Instance.7F3A2C1E-5B84-4D69-A0E2-1A2C9FF60116"));
}

} // namespace
} // namespace keywright::uires::test
