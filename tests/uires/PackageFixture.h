#pragma once

#include "app/NamedIds.h"
#include "ui/Toolkit.h"
#include "widgets/WidgetClasses.h"

#include <QString>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <string>

// gtest prints QStrings as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace keywright::uires::test {

// The program folder the build assembles; its uires/ is the package.
inline QString ProgramFolder() {
    return QStringLiteral(KEYWRIGHT_PROGRAM_DIR);
}
inline QString PackageFolder() {
    return ProgramFolder() + QStringLiteral("/uires");
}

inline std::string Str(const QString& text) {
    return text.toStdString();
}

// The resources the program asks for by id.
inline const char* const kProgramIds[] = {
    "uidef:xml_init",
    "LAYOUT:XML_MAINWND",
    "LAYOUT:macro",
    "translator:lang_en",
    "translator:lang_cn",
    "smenuex:menu_more",
    "SMENU:menu_tray",
    "ICON:ICON_LOGO",
    "kb_macro:bg_png",
    "main:img_keboard_normal_png",
    "main:img_keboard_checked_png",
    "main:img_keboard_pressed_png",
    "main:img_keboard_floating_png",
};

// The layouts of the package: the two windows and the list row templates.
inline const char* const kLayoutIds[] = {
    "LAYOUT:XML_MAINWND",
    "LAYOUT:macro",
    "LAYOUT:macro_group_row",
    "LAYOUT:macro_key_row",
};

// The toolkit as the program sets it up: the package, the named-ID table,
// the program's widget classes and the UI definition. Live for one test.
class PackageTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(toolkit.OpenPackage(PackageFolder())) << Str(toolkit.Package().Error());
        toolkit.Ids().Register(app::NamedIds());
        widgets::RegisterWidgetClasses(toolkit.Registry());
        QString error;
        ASSERT_TRUE(toolkit.LoadDefinition(QStringLiteral("uidef:xml_init"), &error)) << Str(error);
    }

    // The layout `id` as a window of its own; null (and a failure) when it
    // does not load.
    QWidget* Load(const QString& id) {
        QString error;
        windows_.emplace_back(toolkit.LoadLayout(id, nullptr, &error));
        EXPECT_NE(windows_.back(), nullptr) << Str(id) << ": " << Str(error);
        return windows_.back().get();
    }

    ui::Toolkit toolkit;

  private:
    std::vector<std::unique_ptr<QWidget>> windows_;
};

} // namespace keywright::uires::test
