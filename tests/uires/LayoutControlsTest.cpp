// The layouts: every control the windows look up, by name with its class and,
// where the windows look it up by number, with its ID from the named-ID table;
// and what the windows rely on beyond that (pages, list entries, item data,
// slider ranges, the keyboard map, the tray icon).

#include "PackageFixture.h"
#include "ui/ComboBox.h"
#include "ui/McListView.h"
#include "ui/Slider.h"
#include "ui/TabCtrl.h"
#include "ui/WindowTree.h"
#include "widgets/CoordButtonImage.h"
#include "widgets/SShellNotifyIcon.h"

#include <QAbstractButton>
#include <QFile>
#include <algorithm>
#include <pugixml.hpp>
#include <set>
#include <string_view>

namespace keywright::uires::test {
namespace {

const QString kMain = QStringLiteral("LAYOUT:XML_MAINWND");
const QString kMacro = QStringLiteral("LAYOUT:macro");
const QString kGroupRow = QStringLiteral("LAYOUT:macro_group_row");
const QString kKeyRow = QStringLiteral("LAYOUT:macro_key_row");

struct Required {
    const char* layout;
    const char* name;
    std::string_view className;
    int id; // 0: looked up by name only
};

// What the windows look up. Classes are those the windows test for; a control
// of a derived class answers to them too.
constexpr Required kRequired[] = {
    // Main window: device connection, lighting page, chrome.
    {"LAYOUT:XML_MAINWND", "title", "text", 65536},
    {"LAYOUT:XML_MAINWND", "btn_more", "imgbtn", 65537},
    {"LAYOUT:XML_MAINWND", "btn_min", "button", 65538},
    {"LAYOUT:XML_MAINWND", "btn_close", "button", 0},
    {"LAYOUT:XML_MAINWND", "btn_max", "button", 0},
    {"LAYOUT:XML_MAINWND", "btn_restore", "button", 0},
    {"LAYOUT:XML_MAINWND", "img_keyboard", "cbimg", 65539},
    {"LAYOUT:XML_MAINWND", "cbx_color_effect", "combobox", 65540},
    {"LAYOUT:XML_MAINWND", "tab_color_effect", "tabctrl", 65541},
    {"LAYOUT:XML_MAINWND", "bar_general_speed_0", "sliderbar", 65542},
    {"LAYOUT:XML_MAINWND", "bar_const_brightness_0", "sliderbar", 65543},
    {"LAYOUT:XML_MAINWND", "radio_direction_left_0", "radio", 65544},
    {"LAYOUT:XML_MAINWND", "radio_direction_right_0", "radio", 65545},
    {"LAYOUT:XML_MAINWND", "bar_general_speed_1", "sliderbar", 65546},
    {"LAYOUT:XML_MAINWND", "bar_const_brightness_1", "sliderbar", 65547},
    {"LAYOUT:XML_MAINWND", "bar_const_brightness_2", "sliderbar", 65548},
    {"LAYOUT:XML_MAINWND", "bar_general_speed_3", "sliderbar", 65549},
    {"LAYOUT:XML_MAINWND", "bar_const_brightness_3", "sliderbar", 65550},
    {"LAYOUT:XML_MAINWND", "radio_loader_left_3", "radio", 65551},
    {"LAYOUT:XML_MAINWND", "radio_loader_center_3", "radio", 65552},
    {"LAYOUT:XML_MAINWND", "radio_loader_right_3", "radio", 65553},
    {"LAYOUT:XML_MAINWND", "btn_restore_factory", "button", 65554},
    {"LAYOUT:XML_MAINWND", "cbx_in_lv", "combobox", 65555},
    {"LAYOUT:XML_MAINWND", "version", "text", 65556},
    {"LAYOUT:XML_MAINWND", "cbx_side_color_effect", "combobox", 65557},
    {"LAYOUT:XML_MAINWND", "text_side_brightness", "text", 65558},
    {"LAYOUT:XML_MAINWND", "bar_side_brightness", "sliderbar", 65559},
    // Assignment dialog.
    {"LAYOUT:macro", "title", "text", 65536},
    {"LAYOUT:macro", "btnMin", "button", 65560},
    {"LAYOUT:macro", "btnCancel", "button", 65562},
    {"LAYOUT:macro", "text_recording_keys", "text", 65563},
    {"LAYOUT:macro", "tab_macro_mode_selection", "tabctrl2", 65564},
    {"LAYOUT:macro", "item_up", "button", 65565},
    {"LAYOUT:macro", "item_down", "button", 65566},
    {"LAYOUT:macro", "item_delete", "button", 65567},
    {"LAYOUT:macro", "item_clear", "button", 65568},
    {"LAYOUT:macro", "groupDel", "button", 65569},
    {"LAYOUT:macro", "groupAdd", "button", 65570},
    {"LAYOUT:macro", "groupImport", "button", 65571},
    {"LAYOUT:macro", "groupExport", "button", 65572},
    {"LAYOUT:macro", "macro_group", "listview", 65573},
    {"LAYOUT:macro", "key_info", "mclistview", 65575},
    {"LAYOUT:macro", "edit_macro_repeat_times", "edit", 65584},
    {"LAYOUT:macro", "edit_macro_delay_time", "edit", 65585},
    {"LAYOUT:macro", "chk_macro_realy_delay", "check", 65586},
    {"LAYOUT:macro", "chk_macro_fixed_delay", "check", 65587},
    {"LAYOUT:macro", "chk_macro_no_delay", "check", 65588},
    {"LAYOUT:macro", "chk_macro_record", "checkex", 65589},
    {"LAYOUT:macro", "macro_play_mode", "combobox", 65590},
    {"LAYOUT:macro", "edit_single_key", "text", 65592},
    {"LAYOUT:macro", "cmb_media_keys", "combobox", 65593},
    {"LAYOUT:macro", "cmb_function_keys", "combobox", 65594},
    {"LAYOUT:macro", "btnOK", "button", 65595},
    {"LAYOUT:macro", "btnDelete", "button", 65596},
    // Row templates of the dialog's lists.
    {"LAYOUT:macro_group_row", "group_name", "edit", 65574},
    {"LAYOUT:macro_key_row", "col1", "window", 65576},
    {"LAYOUT:macro_key_row", "key_code", "text", 65577},
    {"LAYOUT:macro_key_row", "col2", "window", 65578},
    {"LAYOUT:macro_key_row", "key_name", "text", 65579},
    {"LAYOUT:macro_key_row", "col3", "window", 65580},
    {"LAYOUT:macro_key_row", "key_state", "text", 65581},
    {"LAYOUT:macro_key_row", "col4", "window", 65582},
    {"LAYOUT:macro_key_row", "key_delay", "editex", 65583},
};

class LayoutControlsTest : public PackageTest {
  protected:
    QWidget* Layout(const QString& id) {
        auto it = loaded_.find(id);
        if (it == loaded_.end())
            it = loaded_.emplace(id, Load(id)).first;
        return it->second;
    }

  private:
    std::map<QString, QWidget*> loaded_;
};

TEST_F(LayoutControlsTest, EveryRequiredControlIsThereWithItsClassAndId) {
    for (const Required& row : kRequired) {
        SCOPED_TRACE(std::string(row.layout) + " " + row.name);
        QWidget* root = Layout(QString::fromLatin1(row.layout));
        ASSERT_NE(root, nullptr);
        const QString name = QString::fromLatin1(row.name);
        QWidget* byName = ui::FindByName(root, name);
        ASSERT_NE(byName, nullptr) << "missing";
        EXPECT_TRUE(ui::IsClass(byName, row.className))
            << "is \"" << ui::ClassNameOf(byName) << "\", not \"" << row.className << '"';
        // A second control of the same name would hide one of the two.
        EXPECT_EQ(root->findChildren<QWidget*>(name).size(), 1);
        if (row.id != 0) {
            EXPECT_EQ(ui::IdOf(byName), row.id);
            EXPECT_EQ(ui::FindById(root, row.id, row.className), byName);
        }
    }
}

TEST_F(LayoutControlsTest, BothWindowsAreFrameless) {
    for (const QString& id : {kMain, kMacro}) {
        QWidget* root = Layout(id);
        ASSERT_NE(root, nullptr);
        EXPECT_TRUE(root->property("frameless").toBool()) << Str(id);
    }
}

TEST_F(LayoutControlsTest, EachLightingControlIsOnItsParameterPage) {
    QWidget* root = Layout(kMain);
    auto* pages = ui::Find<ui::TabCtrl>(root, QStringLiteral("tab_color_effect"));
    ASSERT_NE(pages, nullptr);
    // Effect 0 shows page 2, effect 1 page 3, effects 2 to 19 page 1.
    ASSERT_EQ(pages->count(), 4);
    const struct {
        const char* name;
        int page;
    } placed[] = {
        {"bar_general_speed_0", 0},    {"bar_const_brightness_0", 0},
        {"radio_direction_left_0", 0}, {"radio_direction_right_0", 0},
        {"bar_general_speed_1", 1},    {"bar_const_brightness_1", 1},
        {"bar_const_brightness_2", 2}, {"bar_general_speed_3", 3},
        {"bar_const_brightness_3", 3}, {"radio_loader_left_3", 3},
        {"radio_loader_center_3", 3},  {"radio_loader_right_3", 3},
    };
    for (const auto& control : placed) {
        SCOPED_TRACE(control.name);
        QWidget* widget = ui::FindByName(root, QString::fromLatin1(control.name));
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(pages->widget(control.page)->isAncestorOf(widget));
    }
    // The loader choice is the position of the checked radio among the three:
    // one exclusive group.
    const QWidget* group =
        ui::FindByName(root, QStringLiteral("radio_loader_left_3"))->parentWidget();
    EXPECT_EQ(ui::FindByName(root, QStringLiteral("radio_loader_center_3"))->parentWidget(), group);
    EXPECT_EQ(ui::FindByName(root, QStringLiteral("radio_loader_right_3"))->parentWidget(), group);
}

TEST_F(LayoutControlsTest, TheLightingListsHoldAnEntryPerEffectAndMode) {
    QWidget* root = Layout(kMain);
    // The entry index is the effect (mode) number the keyboard receives.
    const struct {
        const char* name;
        int entries;
    } lists[] = {{"cbx_color_effect", 20}, {"cbx_side_color_effect", 12}};
    for (const auto& list : lists) {
        SCOPED_TRACE(list.name);
        auto* combo = ui::Find<ui::ComboBox>(root, QString::fromLatin1(list.name));
        ASSERT_NE(combo, nullptr);
        ASSERT_EQ(combo->count(), list.entries);
        std::set<QString> texts;
        for (int i = 0; i < combo->count(); ++i)
            texts.insert(combo->itemText(i));
        EXPECT_EQ(texts.size(), static_cast<size_t>(list.entries)) << "entries share a text";
        EXPECT_FALSE(texts.contains(QString()));
    }
    auto* levels = ui::Find<ui::ComboBox>(root, QStringLiteral("cbx_in_lv"));
    ASSERT_NE(levels, nullptr);
    EXPECT_GE(levels->count(), 1); // the program selects entry 0 at start
}

TEST_F(LayoutControlsTest, SliderRangesFitWhatTheLightingTablesKeep) {
    QWidget* root = Layout(kMain);
    // Brightness and speed load as 0..4, the side level as 0..7 (a higher one
    // loads as 0): a slider beyond that would store what the next start drops.
    const struct {
        const char* name;
        int maximum;
    } sliders[] = {
        {"bar_general_speed_0", 4},    {"bar_const_brightness_0", 4}, {"bar_general_speed_1", 4},
        {"bar_const_brightness_1", 4}, {"bar_const_brightness_2", 4}, {"bar_general_speed_3", 4},
        {"bar_const_brightness_3", 4}, {"bar_side_brightness", 7},
    };
    for (const auto& slider : sliders) {
        SCOPED_TRACE(slider.name);
        auto* bar = ui::Find<ui::Slider>(root, QString::fromLatin1(slider.name));
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), slider.maximum);
    }
}

TEST_F(LayoutControlsTest, TheKeyboardMapHasThePicturesSizeAndItsKeys) {
    auto* map = ui::Find<widgets::CoordButtonImage>(Layout(kMain), QStringLiteral("img_keyboard"));
    ASSERT_NE(map, nullptr);
    // Key rectangles are in the pictures' 100 % pixels.
    QFile file(ProgramFolder() + u'/' + map->PositionsPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    pugi::xml_document document;
    ASSERT_TRUE(document.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size())));
    const pugi::xml_node positions = document.child("positions");
    EXPECT_EQ(map->width(), positions.attribute("width").as_int());
    EXPECT_EQ(map->height(), positions.attribute("height").as_int());
    EXPECT_EQ(map->size(), toolkit.Image(map->BackgroundImage()).size());
    EXPECT_FALSE(map->Buttons().empty());
    // The main window's listener takes every click; a selection mode other
    // than 0 would let clicks change the marks of assigned keys.
    EXPECT_EQ(map->SelectionMode(), 0);
}

TEST_F(LayoutControlsTest, TheMainWindowHoldsTheTrayIconWithItsMenu) {
    QWidget* root = Layout(kMain);
    widgets::SShellNotifyIcon* tray = nullptr;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        if (ui::IsClass(widget, "shellnotifyicon"))
            tray = dynamic_cast<widgets::SShellNotifyIcon*>(widget);
    }
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->MenuName(), QStringLiteral("SMENU:menu_tray"));
    EXPECT_NE(tray->MenuType(), widgets::SShellNotifyIcon::kNoMenu);
    EXPECT_GE(tray->IconCount(), 1);
}

TEST_F(LayoutControlsTest, TheModeTabsHaveAPagePerAssignmentKind) {
    auto* tabs = ui::Find<ui::TabCtrl>(Layout(kMacro), QStringLiteral("tab_macro_mode_selection"));
    ASSERT_NE(tabs, nullptr);
    // Page index = kind: macro, single key, media key, function key.
    ASSERT_EQ(tabs->count(), 4);
    const char* const onPage[] = {"key_info", "edit_single_key", "cmb_media_keys",
                                  "cmb_function_keys"};
    for (int page = 0; page < tabs->count(); ++page) {
        SCOPED_TRACE(page);
        EXPECT_TRUE(ui::IsClass(tabs->widget(page), "page2"));
        EXPECT_FALSE(tabs->tabText(page).isEmpty());
        EXPECT_TRUE(tabs->widget(page)->isAncestorOf(
            ui::FindByName(tabs, QString::fromLatin1(onPage[page]))));
    }
}

TEST_F(LayoutControlsTest, EveryPlayModeEntryCarriesAPlaybackMode) {
    auto* modes = ui::Find<ui::ComboBox>(Layout(kMacro), QStringLiteral("macro_play_mode"));
    ASSERT_NE(modes, nullptr);
    // The modes that start a playback; each is offered once.
    std::multiset<qint64> offered;
    for (int i = 0; i < modes->count(); ++i)
        offered.insert(modes->ItemData(i));
    EXPECT_EQ(offered, (std::multiset<qint64>{2, 3, 4, 5, 6, 8}));
}

TEST_F(LayoutControlsTest, TheDelayModesAreOneExclusiveChoice) {
    QWidget* root = Layout(kMacro);
    const QWidget* group = nullptr;
    for (const char* name :
         {"chk_macro_realy_delay", "chk_macro_fixed_delay", "chk_macro_no_delay"}) {
        SCOPED_TRACE(name);
        auto* check =
            qobject_cast<QAbstractButton*>(ui::FindByName(root, QString::fromLatin1(name)));
        ASSERT_NE(check, nullptr);
        EXPECT_TRUE(check->autoExclusive());
        if (group == nullptr)
            group = check->parentWidget();
        EXPECT_EQ(check->parentWidget(), group);
    }
    // No other button shares their exclusive group.
    int exclusive = 0;
    for (const QAbstractButton* button :
         group->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
        exclusive += button->autoExclusive() ? 1 : 0;
    EXPECT_EQ(exclusive, 3);
}

TEST_F(LayoutControlsTest, TheStepRowHasACellUnderEachHeaderColumn) {
    auto* steps = ui::Find<ui::McListView>(Layout(kMacro), QStringLiteral("key_info"));
    ASSERT_NE(steps, nullptr);
    EXPECT_EQ(steps->RowTemplateId(), kKeyRow);
    auto* groups = ui::Find<ui::ListView>(Layout(kMacro), QStringLiteral("macro_group"));
    ASSERT_NE(groups, nullptr);
    EXPECT_EQ(groups->RowTemplateId(), kGroupRow);

    // Column i shows the row's child "col<i+1>", which holds the cell.
    const char* const cells[] = {"key_code", "key_name", "key_state", "key_delay"};
    ASSERT_EQ(steps->Headers().size(), 4);
    QWidget* row = Layout(kKeyRow);
    for (int column = 0; column < 4; ++column) {
        SCOPED_TRACE(column);
        QWidget* cell = ui::FindByName(row, QStringLiteral("col%1").arg(column + 1));
        ASSERT_NE(cell, nullptr);
        EXPECT_NE(ui::FindByName(cell, QString::fromLatin1(cells[column])), nullptr);
    }
}

} // namespace
} // namespace keywright::uires::test
