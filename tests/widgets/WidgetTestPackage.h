#pragma once

#include "ui/Toolkit.h"
#include "widgets/WidgetClasses.h"

#include <QApplication>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

// gtest prints QStrings and points as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QPoint& point, std::ostream* out) {
    *out << "(" << point.x() << ", " << point.y() << ")";
}
inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "(" << rect.x() << ", " << rect.y() << " " << rect.width() << "x" << rect.height()
         << ")";
}
inline void PrintTo(const QColor& color, std::ostream* out) {
    *out << color.name(QColor::HexArgb).toStdString();
}

namespace keywright::widgets::test {

// The skins of the test package. Every frame of every skin is one solid
// colour of its own (FrameColor), so a rendered pixel tells which skin and
// which state was drawn.
enum SkinId { kTile, kIcon, kAnimIn, kAnimOut, kTab, kTabIcons, kHeadBg, kSkinCount };

struct SkinSpec {
    const char* name;
    QSize frame;
    int states;
};

inline constexpr SkinSpec kSkins[kSkinCount] = {
    {"tile", {24, 16}, 4},     {"icon", {16, 16}, 8}, {"anim_in", {12, 10}, 4},
    {"anim_out", {12, 10}, 3}, {"tab", {40, 20}, 3},  {"tab_icons", {8, 8}, 8},
    {"head_bg", {10, 10}, 1},
};

inline QString SkinName(SkinId skin) {
    return QString::fromLatin1(kSkins[skin].name);
}

inline QColor FrameColor(SkinId skin, int state) {
    return QColor(40 + 25 * skin, 20 + 25 * state, 128);
}

// The keyboard pictures, each one colour, and the tray icons.
inline const QColor kKeyboardBg(200, 0, 0);
inline const QColor kKeyboardHover(0, 200, 0);
inline const QColor kKeyboardChecked(0, 0, 200);
inline constexpr QSize kKeyboardSize(100, 50);
inline const QColor kLogoColor(250, 250, 0);
inline const QColor kIconA(0, 250, 250);
inline const QColor kIconB(250, 0, 250);

// Resource package files written by a test in addition to the standard ones.
struct ExtraFile {
    QString id;
    QString path;
    QByteArray contents;
};

// Writes a resource package into a temporary folder: the skins above, the
// keyboard pictures, the tray icons, three menus (roots "menu", "menuRoot"
// and "other") and a string table.
class TestPackage {
  public:
    explicit TestPackage(const std::vector<ExtraFile>& extra = {}) {
        QString index = QStringLiteral("<resources>\n");
        const auto add = [&](const QString& id, const QString& path) {
            index += QStringLiteral("  <file id=\"%1\" path=\"%2\"/>\n").arg(id, path);
        };
        QString skins;
        for (int s = 0; s < kSkinCount; ++s) {
            const SkinSpec& spec = kSkins[s];
            QImage strip(spec.frame.width() * spec.states, spec.frame.height(),
                         QImage::Format_ARGB32);
            for (int state = 0; state < spec.states; ++state) {
                const QColor color = FrameColor(static_cast<SkinId>(s), state);
                for (int y = 0; y < strip.height(); ++y)
                    for (int x = 0; x < spec.frame.width(); ++x)
                        strip.setPixelColor(state * spec.frame.width() + x, y, color);
            }
            const QString file = QStringLiteral("img/%1.png").arg(QString::fromLatin1(spec.name));
            Save(strip, file);
            add(QStringLiteral("img:%1_png").arg(QString::fromLatin1(spec.name)), file);
            skins += QStringLiteral("    <item name=\"%1\" src=\"img:%1_png\" states=\"%2\"/>\n")
                         .arg(QString::fromLatin1(spec.name))
                         .arg(spec.states);
        }
        const struct {
            const char* id;
            const char* file;
            QColor color;
            QSize size;
        } solids[] = {
            {"main:kb_bg_png", "img/kb_bg.png", kKeyboardBg, kKeyboardSize},
            {"main:kb_hover_png", "img/kb_hover.png", kKeyboardHover, kKeyboardSize},
            {"main:kb_checked_png", "img/kb_checked.png", kKeyboardChecked, kKeyboardSize},
            {"ICON:ICON_LOGO", "icon/logo.png", kLogoColor, {16, 16}},
            {"ICON:ico_a", "icon/a.png", kIconA, {16, 16}},
            {"ICON:ico_b", "icon/b.png", kIconB, {16, 16}},
        };
        for (const auto& solid : solids) {
            QImage image(solid.size, QImage::Format_ARGB32);
            image.fill(solid.color);
            Save(image, QString::fromLatin1(solid.file));
            add(QString::fromLatin1(solid.id), QString::fromLatin1(solid.file));
        }
        const struct {
            const char* id;
            const char* file;
            const char* text;
        } texts[] = {
            {"SMENU:menu_tray", "menu/tray.xml",
             "<menu><item id=\"1\" text=\"Check firmware\"/><sep/>"
             "<item id=\"6\" text=\"Exit\"/></menu>"},
            {"smenuex:menu_more", "menu/more.xml",
             "<menuRoot><item id=\"1\" text=\"Firmware\"/></menuRoot>"},
            {"SMENU:menu_other", "menu/other.xml", "<other><item id=\"2\" text=\"Two\"/></other>"},
            {"uidef:xml_init", "uidef.xml", nullptr},
        };
        for (const auto& text : texts) {
            QByteArray contents = text.text != nullptr ? QByteArray(text.text) : QByteArray();
            if (text.text == nullptr) {
                contents = QStringLiteral("<uidef>\n"
                                          "  <string>\n"
                                          "    <item name=\"instance_tag\" value=\"test\"/>\n"
                                          "    <item name=\"tray_tip\" value=\"Keywright tray\"/>\n"
                                          "    <item name=\"keys\" value=\"%1\"/>\n"
                                          "  </string>\n"
                                          "  <skin>\n%2  </skin>\n"
                                          "</uidef>\n")
                               .arg(ProgramRelative(QStringLiteral("keys.xml")), skins)
                               .toUtf8();
            }
            Write(QString::fromLatin1(text.file), contents);
            add(QString::fromLatin1(text.id), QString::fromLatin1(text.file));
        }
        for (const ExtraFile& file : extra) {
            Write(file.path, file.contents);
            add(file.id, file.path);
        }
        index += QStringLiteral("</resources>\n");
        Write(QStringLiteral("index.xml"), index.toUtf8());
    }

    QString Folder() const { return dir_.path(); }
    QString FilePath(const QString& relative) const { return dir_.filePath(relative); }

    // Writes `contents` to `relative` in the package folder.
    void Write(const QString& relative, const QByteArray& contents) const {
        const QString path = dir_.filePath(relative);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
            ADD_FAILURE() << "cannot write " << path.toStdString();
    }

    // The path of the package file `relative` as a layout names it: relative
    // to the program folder.
    QString ProgramRelative(const QString& relative) const {
        return QDir(QCoreApplication::applicationDirPath()).relativeFilePath(FilePath(relative));
    }

  private:
    void Save(const QImage& image, const QString& relative) const {
        QDir().mkpath(QFileInfo(dir_.filePath(relative)).absolutePath());
        if (!image.save(dir_.filePath(relative)))
            ADD_FAILURE() << "cannot save " << relative.toStdString();
    }

    QTemporaryDir dir_;
};

// A toolkit on the test package with the program's widget classes, live for
// one test.
class WidgetTest : public testing::Test {
  protected:
    explicit WidgetTest(const std::vector<ExtraFile>& extra = {}) : package(extra) {}

    void SetUp() override {
        ASSERT_TRUE(toolkit.OpenPackage(package.Folder()))
            << toolkit.Package().Error().toStdString();
        QString error;
        ASSERT_TRUE(toolkit.LoadDefinition(QStringLiteral("uidef:xml_init"), &error))
            << error.toStdString();
        ASSERT_EQ(RegisterWidgetClasses(toolkit.Registry()), 8);
    }

    TestPackage package;
    ui::Toolkit toolkit;
};

// The widget drawn on a transparent image of its size.
inline QImage Render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

inline QColor PixelAt(const QImage& image, QPoint point) {
    return image.pixelColor(point);
}

// Mouse and pointer events delivered straight to a widget.
inline void SendMouse(QWidget& widget, QEvent::Type type, QPoint at,
                      Qt::MouseButton button = Qt::LeftButton,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    Qt::MouseButtons buttons = Qt::NoButton;
    if (type == QEvent::MouseButtonPress)
        buttons = button;
    QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : button, buttons, modifiers);
    QCoreApplication::sendEvent(&widget, &event);
}

inline void SendEnter(QWidget& widget, QPoint at = {1, 1}) {
    const QPointF local(at);
    QEnterEvent event(local, local, QPointF(widget.mapToGlobal(at)));
    QCoreApplication::sendEvent(&widget, &event);
}

inline void SendLeave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, &event);
}

} // namespace keywright::widgets::test
