// layout_preview: renders layouts of the program folder's UI resource package
// to PNG files, without a screen.
//
//   layout_preview [--program DIR] [--out DIR] [--scale 1|2]
//                  [--lang NAME]... [--layout ID]...
//
//   --program  the program folder, holding uires/ (default: this executable's
//              folder, which the build makes the program folder)
//   --out      where the PNG files go (default: DIR/../screenshots)
//   --scale    device pixel ratio: 1 (default) or 2
//   --lang     a language resource name, "lang_en" or "lang_cn"; repeatable
//              (default: both)
//   --layout   a layout id; repeatable (default: "LAYOUT:XML_MAINWND" and
//              "LAYOUT:macro")
//
// The package is loaded through the UI layer, with the program's widget
// classes, as the program loads it. The main window and the assignment
// dialog get sample content (PreviewSamples.h); the dialog is written once per
// mode page. Files are named <shot>_<language>.png, "@2x" before ".png" at
// scale 2: main_en.png, macro_cn@2x.png, macro_media_en.png, ...
// Exit status: 0 written, 1 a resource or file failed, 2 bad arguments.

#include "PreviewSamples.h"
#include "ui/HostWindow.h"
#include "ui/TabCtrl.h"
#include "ui/Toolkit.h"
#include "ui/WindowTree.h"
#include "widgets/WidgetClasses.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

using namespace keywright;

struct Options {
    QString program;
    QString out;
    int scale = 1;
    QStringList languages;
    QStringList layouts;
};

// The program folder by default: where this executable is. Read from argv[0]
// before the application exists, as the scale must be set before it.
QString ExecutableFolder(const char* argv0) {
    return QFileInfo(QString::fromLocal8Bit(argv0)).absolutePath();
}

bool ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const char* flag = argv[i];
        if (i + 1 >= argc)
            return false;
        const QString value = QString::fromLocal8Bit(argv[++i]);
        if (std::strcmp(flag, "--program") == 0)
            options.program = value;
        else if (std::strcmp(flag, "--out") == 0)
            options.out = value;
        else if (std::strcmp(flag, "--scale") == 0 && (value == u"1" || value == u"2"))
            options.scale = value.toInt();
        else if (std::strcmp(flag, "--lang") == 0)
            options.languages.push_back(value);
        else if (std::strcmp(flag, "--layout") == 0)
            options.layouts.push_back(value);
        else
            return false;
    }
    if (options.program.isEmpty())
        options.program = ExecutableFolder(argv[0]);
    options.program = QDir(options.program).absolutePath();
    if (options.out.isEmpty())
        options.out = options.program + QStringLiteral("/../screenshots");
    if (options.languages.isEmpty())
        options.languages = {QStringLiteral("lang_en"), QStringLiteral("lang_cn")};
    if (options.layouts.isEmpty())
        options.layouts = {QStringLiteral("LAYOUT:XML_MAINWND"), QStringLiteral("LAYOUT:macro")};
    return true;
}

class Renderer {
  public:
    Renderer(const Options& options, ui::Toolkit& toolkit) : options_(options), toolkit_(toolkit) {}

    // Every layout in `language`; false when something failed (reported).
    bool RenderLanguage(const QString& language) {
        QString error;
        if (!toolkit_.LoadLanguage(language, &error)) {
            std::fprintf(stderr, "layout_preview: %s\n", qPrintable(error));
            return false;
        }
        language_ = language.startsWith(u"lang_") ? language.mid(5) : language;
        bool ok = true;
        for (const QString& layout : options_.layouts)
            ok = RenderLayout(layout) && ok;
        return ok;
    }

  private:
    bool RenderLayout(const QString& id) {
        ui::HostWindow window(id);
        if (!window.Create()) {
            std::fprintf(stderr, "layout_preview: %s: %s\n", qPrintable(id),
                         qPrintable(window.LayoutError()));
            return false;
        }
        window.show();
        QCoreApplication::processEvents();
        if (id == u"LAYOUT:XML_MAINWND") {
            preview::DressMainWindow(window.Root());
            return Shoot(window, QStringLiteral("main"));
        }
        if (id == u"LAYOUT:macro")
            return ShootDialogPages(window);
        QString name = id.section(u':', 1);
        return Shoot(window, name.toLower());
    }

    // One shot per page of the mode tabs: macro, single key, media key,
    // function key.
    bool ShootDialogPages(ui::HostWindow& window) {
        preview::SampleGroupAdapter groups;
        preview::SampleStepAdapter steps;
        preview::DressMacroDialog(window.Root(), groups, steps);
        auto* tabs =
            ui::Find<ui::TabCtrl>(window.Root(), QStringLiteral("tab_macro_mode_selection"));
        static const char* const kPages[] = {"macro", "macro_single", "macro_media",
                                             "macro_function"};
        bool ok = true;
        for (int page = 0; page < 4; ++page) {
            if (tabs == nullptr && page > 0)
                break;
            if (tabs != nullptr)
                tabs->SetCurSel(page);
            ok = Shoot(window, QString::fromLatin1(kPages[page])) && ok;
        }
        return ok;
    }

    bool Shoot(QWidget& window, const QString& shot) {
        QCoreApplication::processEvents();
        const QPixmap picture = window.grab();
        const QString file = QStringLiteral("%1/%2_%3%4.png")
                                 .arg(options_.out, shot, language_,
                                      options_.scale == 2 ? QStringLiteral("@2x") : QString());
        if (picture.isNull() || !picture.save(file, "PNG")) {
            std::fprintf(stderr, "layout_preview: cannot write %s\n", qPrintable(file));
            return false;
        }
        std::printf("%s\n", qPrintable(QDir::cleanPath(file)));
        return true;
    }

    const Options& options_;
    ui::Toolkit& toolkit_;
    QString language_;
};

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArguments(argc, argv, options)) {
        std::fprintf(stderr, "usage: layout_preview [--program DIR] [--out DIR] [--scale 1|2] "
                             "[--lang NAME]... [--layout ID]...\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The whole application at this device pixel ratio: style-sheet images
    // and skins pick their "@2x" twins as they do on a 200 % screen.
    qputenv("QT_SCALE_FACTOR", QByteArray::number(options.scale));
    QApplication app(argc, argv);

    // The style sheet's image paths are relative to the program folder, the
    // program's working folder.
    if (!QDir::setCurrent(options.program) || !QDir().mkpath(options.out)) {
        std::fprintf(stderr, "layout_preview: cannot use %s or %s\n", qPrintable(options.program),
                     qPrintable(options.out));
        return 1;
    }
    ui::Toolkit toolkit;
    if (!toolkit.OpenPackage(QStringLiteral("uires"))) {
        std::fprintf(stderr, "layout_preview: package: %s\n",
                     qPrintable(toolkit.Package().Error()));
        return 1;
    }
    widgets::RegisterWidgetClasses(toolkit.Registry());
    QString error;
    if (!toolkit.LoadDefinition(QStringLiteral("uidef:xml_init"), &error)) {
        std::fprintf(stderr, "layout_preview: %s\n", qPrintable(error));
        return 1;
    }
    Renderer renderer(options, toolkit);
    bool ok = true;
    for (const QString& language : options.languages)
        ok = renderer.RenderLanguage(language) && ok;
    return ok ? 0 : 1;
}
