// The keywright executable, run as a process: its command line, its exit
// codes, the simulated world's trace and the screenshot.

#include "support/TempFolder.h"

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace keywright::app::test {
namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

// Offscreen; `home` (when given) stands for the user, whose instance it is,
// and holds the instance's socket, so none is left behind.
QProcessEnvironment Environment(const QString& home = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    if (!home.isEmpty()) {
        environment.insert(QStringLiteral("HOME"), home);
        environment.insert(QStringLiteral("TMPDIR"), home);
    }
    return environment;
}

Outcome RunProgram(const QStringList& args, const QString& home = {}) {
    QProcess process;
    process.setProcessEnvironment(Environment(home));
    process.start(QStringLiteral(KEYWRIGHT_PROGRAM), args);
    EXPECT_TRUE(process.waitForFinished(60000)) << "keywright did not end";
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST(Process, ScreenshotOfTheSimulatedStartIsWrittenAndTheProgramEnds) {
    keywright::test::TempFolder folder;
    const QString dir = QString::fromStdString(folder.Path().string());
    const Outcome run = RunProgram(
        {"--simulate", "--sim-firmware", "261", "--dir", dir, "--screenshot", dir + "/window.png"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage picture(dir + "/window.png");
    ASSERT_FALSE(picture.isNull());
    EXPECT_GE(picture.width(), 800);
    EXPECT_GE(picture.height(), 500);
    // The simulated keyboard says what it received, on standard error: the
    // version query it answered with 1.5.
    EXPECT_TRUE(run.err.contains("sim: 1a2c:9ff6 set-feature 07 f1 00 00 00 00 00 00"))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("sim: 1a2c:9ff6 get-feature 07 01 05"));
    EXPECT_FALSE(run.out.contains("sim:"));
    // The settings files of a first start are made in the folder given.
    EXPECT_TRUE(folder.Exists("ledeffect.xml"));
    EXPECT_TRUE(folder.Exists("sidemodel.xml"));
}

TEST(Process, TheAssignmentDialogCanBeTheScreenshot) {
    keywright::test::TempFolder folder;
    const QString dir = QString::fromStdString(folder.Path().string());
    const Outcome run = RunProgram(
        {"--simulate", "--dir", dir, "--screenshot", dir + "/dialog.png", "--screenshot-dialog"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage picture(dir + "/dialog.png");
    ASSERT_FALSE(picture.isNull());
    // The dialog's one size, not the main window's.
    EXPECT_EQ(picture.size(), QSize(800, 600));
    EXPECT_EQ(RunProgram({"--simulate", "--dir", dir, "--screenshot-dialog"}).exitCode, 2);
}

TEST(Process, WrongOptionsEndWithTheUsage) {
    for (const QStringList& args :
         {QStringList{"--sim-firmware", "x"}, QStringList{"--dir"}, QStringList{"--screenshot"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Outcome run = RunProgram(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains("usage: keywright")) << run.err.toStdString();
    }
    const Outcome help = RunProgram({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--simulate"));
}

TEST(Process, ASecondStartOfTheSameUserEndsAtOnce) {
    keywright::test::TempFolder folder;
    const QString dir = QString::fromStdString(folder.Path().string());
    QProcess first;
    first.setProcessEnvironment(Environment(dir));
    first.setReadChannel(QProcess::StandardError);
    first.start(QStringLiteral(KEYWRIGHT_PROGRAM), {"--simulate", "--dir", dir});
    // Up once its key engine has sent the filter its key table.
    QByteArray said;
    while (!said.contains("filter ioctl 0022a000") && first.waitForReadyRead(30000))
        said += first.readAllStandardError();
    ASSERT_TRUE(said.contains("filter ioctl 0022a000")) << said.toStdString();

    const Outcome second = RunProgram({"--simulate", "--dir", dir}, dir);
    EXPECT_EQ(second.exitCode, 0);
    // It ended before its window: its keyboard was never asked anything.
    EXPECT_FALSE(second.err.contains("set-feature")) << second.err.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    EXPECT_TRUE(first.waitForFinished(30000));
}

} // namespace
} // namespace keywright::app::test
