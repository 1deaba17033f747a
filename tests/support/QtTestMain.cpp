// The tests of the Qt side need one QApplication for the whole run, made
// before any widget and on the main thread, and they run headless.
#include "support/LogCheck.h"

#include <QApplication>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return keywright::test::RunAllTests(argc, argv);
}
