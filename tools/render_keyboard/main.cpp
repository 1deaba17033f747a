// render_keyboard: renders the UI resource package's generated images.
//
//   render_keyboard <positions.xml> <uires folder>
//
// writes the keyboard pictures drawn from the positions file, the theme's
// state strips and the program icon, each at 100 % and 200 % ("@2x"), under
// the given folder (see tools/README.md). Exit status 0 on success, 1 when
// the positions file is bad or a file cannot be written, 2 on bad arguments.

#include "render_keyboard/IconArt.h"
#include "render_keyboard/KeyboardArt.h"
#include "render_keyboard/PositionsFile.h"
#include "render_keyboard/ThemeArt.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdio>
#include <string>

namespace {

using namespace keywright::art;

bool Save(const QImage& image, const QString& folder, std::string_view name, int scale) {
    const QString file = folder + QLatin1Char('/') +
                         QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
                         (scale == 2 ? QStringLiteral("@2x.png") : QStringLiteral(".png"));
    if (image.isNull() || !image.save(file, "PNG")) {
        std::fprintf(stderr, "render_keyboard: cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

bool MakeFolder(const QString& folder) {
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "render_keyboard: cannot create %s\n", qPrintable(folder));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: render_keyboard <positions.xml> <uires folder>\n");
        return 2;
    }
    // Fonts need a GUI application, never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);

    const PositionsParse parsed = LoadPositions(argv[1]);
    if (!parsed.file) {
        std::fprintf(stderr, "render_keyboard: positions file: %s\n", parsed.error.c_str());
        return 1;
    }

    const QString root = QString::fromLocal8Bit(argv[2]);
    const QString keyboardFolder = root + QStringLiteral("/image/keyboard");
    const QString themeFolder = root + QStringLiteral("/image/theme");
    const QString iconFolder = root + QStringLiteral("/icon");
    if (!MakeFolder(keyboardFolder) || !MakeFolder(themeFolder) || !MakeFolder(iconFolder)) {
        return 1;
    }

    bool ok = true;
    for (int scale : {1, 2}) {
        for (const KeyboardPicture& picture : KeyboardPictures()) {
            ok = Save(RenderKeyboard(*parsed.file, picture.look, scale), keyboardFolder,
                      picture.file, scale) &&
                 ok;
        }
        for (const ThemeImage& theme : ThemeImages()) {
            ok = Save(RenderTheme(theme, scale), themeFolder, theme.file, scale) && ok;
        }
    }
    for (int size : IconSizes()) {
        const std::string name = "logo_" + std::to_string(size);
        ok = Save(RenderIcon(size), iconFolder, name, 1) && ok;
    }
    return ok ? 0 : 1;
}
