#pragma once

#include "ui/ControlIds.h"
#include "ui/HostWindow.h"
#include "ui/StockControls.h"
#include "ui/Toolkit.h"

#include <QApplication>
#include <QString>
#include <QTest>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// gtest prints QStrings as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace keywright::ui::test {

// The example package of tests/data/ui.
inline QString PackageFolder() {
    return QStringLiteral(KEYWRIGHT_TEST_DATA "/ui");
}

// Rows of the program's named-ID table that the example layouts use, with the
// program's numbers.
inline constexpr NamedId kTestIds[] = {
    {"btn_more", 65537},
    {"btn_min", 65538},
    {"img_keyboard", 65539},
    {"cbx_color_effect", 65540},
    {"tab_color_effect", 65541},
    {"radio_direction_left_0", 65544},
    {"radio_direction_right_0", 65545},
    {"version", 65556},
    {"text_side_brightness", 65558},
    {"bar_side_brightness", 65559},
    {"btnCancel", 65562},
    {"macro_group", 65573},
    {"group_name", 65574},
    {"key_info", 65575},
    {"col1", 65576},
    {"key_code", 65577},
    {"edit_macro_delay_time", 65585},
    {"chk_macro_record", 65589},
    {"btnOK", 65595},
    {"btnDelete", 65596},
};

// A custom class as the program registers them, for the keyboard map's
// class name.
class TestKeyboardMap : public Window {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("cbimg", Window)
  public:
    using Window::Window;
    void OnLoaded() override { ++loadedCalls; }
    int loadedCalls = 0;
};

// A toolkit on the example package with the test IDs and the keyboard map
// class, live for one test.
class ToolkitTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(toolkit.OpenPackage(PackageFolder()))
            << toolkit.Package().Error().toStdString();
        toolkit.Ids().Register(kTestIds);
        toolkit.Registry().Register<TestKeyboardMap>();
    }

    Toolkit toolkit;
};

// The example main layout in a shown host window, live for one test.
class MainWindowTest : public ToolkitTest {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        window_ = std::make_unique<HostWindow>("LAYOUT:XML_MAINWND");
        ASSERT_TRUE(window_->Create());
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    }
    void TearDown() override { window_.reset(); }

    std::unique_ptr<HostWindow> window_;
};

// Runs `act` once the event loop is running (for code that blocks in its
// own loop: modal dialogs, message boxes, menus).
inline void Soon(std::function<void()> act) {
    QTimer::singleShot(0, qApp, std::move(act));
}

// Processes events until `done` holds or a generous time has passed.
inline bool WaitFor(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, 10000);
}

} // namespace keywright::ui::test
