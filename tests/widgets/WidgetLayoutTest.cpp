#include "WidgetTestPackage.h"
#include "support/LogCheck.h"
#include "ui/WindowTree.h"
#include "widgets/CoordButtonImage.h"
#include "widgets/SAnimImg.h"
#include "widgets/SCheckBoxEx.h"
#include "widgets/SEditEx.h"
#include "widgets/SRadioBoxEx.h"
#include "widgets/SShellNotifyIcon.h"
#include "widgets/STabCtrl2.h"
#include "widgets/STabPage2.h"

#include <QTest>
#include <memory>

namespace keywright::widgets::test {
namespace {

// Every class with its attributes, as a layout author writes them in a Qt
// Designer file: numbers as <number> or as decimal/0x <string>, names that
// are not identifiers ("icon-x") as dynamic properties.
constexpr const char* kLayout = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Widgets</class>
 <widget class="QWidget" name="root">
  <property name="geometry"><rect><x>0</x><y>0</y><width>640</width><height>400</height></rect></property>
  <widget class="shellnotifyicon" name="tray">
   <property name="ico"><string>ico_a;ico_b</string></property>
   <property name="deficoidx"><number>1</number></property>
   <property name="tip"><string>@string/tray_tip</string></property>
   <property name="menu"><string>SMENU:menu_tray</string></property>
   <property name="duration"><string>0x64</string></property>
  </widget>
  <widget class="cbimg" name="img_keyboard">
   <property name="geometry"><rect><x>0</x><y>0</y><width>100</width><height>50</height></rect></property>
   <property name="bg"><string>main:kb_bg_png</string></property>
   <property name="chking"><string>main:kb_hover_png</string></property>
   <property name="chked"><string>main:kb_checked_png</string></property>
   <property name="crdxml"><string>@string/keys</string></property>
   <property name="type"><string>0x2</string></property>
  </widget>
  <widget class="tabctrl2" name="tab_macro_mode_selection">
   <property name="geometry"><rect><x>0</x><y>60</y><width>400</width><height>120</height></rect></property>
   <property name="tabHeadBgSkin"><string>head_bg</string></property>
   <property name="tabSkin"><string>tab</string></property>
   <property name="iconSkin"><string>tab_icons</string></property>
   <property name="icon-x" stdset="0"><number>4</number></property>
   <property name="icon-y" stdset="0"><string>0x6</string></property>
   <property name="text-x" stdset="0"><number>20</number></property>
   <property name="colorTextPush"><color><red>1</red><green>2</green><blue>3</blue></color></property>
   <property name="currentIndex"><number>1</number></property>
   <widget class="page2" name="page_single">
    <property name="ani_in"><string>anim_in</string></property>
    <property name="ani_out"><string>anim_out</string></property>
    <attribute name="title"><string>Single</string></attribute>
   </widget>
   <widget class="QWidget" name="page_plain">
    <attribute name="title"><string>Plain</string></attribute>
   </widget>
   <widget class="page2" name="page_macro">
    <property name="iconIndex"><number>5</number></property>
    <attribute name="title"><string>Macro</string></attribute>
   </widget>
  </widget>
  <widget class="anmimg" name="logo_anim">
   <property name="geometry"><rect><x>420</x><y>0</y><width>12</width><height>10</height></rect></property>
   <property name="ani_in"><string>anim_in</string></property>
   <property name="interval"><number>20</number></property>
   <property name="autorun"><string>0</string></property>
  </widget>
  <widget class="editex" name="edit_macro_delay_time">
   <property name="geometry"><rect><x>420</x><y>20</y><width>100</width><height>24</height></rect></property>
   <property name="cueText"><string>Delay</string></property>
  </widget>
  <widget class="radioex" name="radio_direction_left_0">
   <property name="geometry"><rect><x>420</x><y>50</y><width>60</width><height>20</height></rect></property>
   <property name="skin"><string>tile</string></property>
   <property name="iconSkin"><string>icon</string></property>
   <property name="iconPos"><string>4,2</string></property>
   <property name="textX"><string>0x2</string></property>
   <property name="textAlign"><set>Qt::AlignLeft|Qt::AlignVCenter</set></property>
   <property name="text"><string>Left</string></property>
  </widget>
  <widget class="checkex" name="chk_macro_record">
   <property name="geometry"><rect><x>420</x><y>80</y><width>60</width><height>20</height></rect></property>
   <property name="iconSkin"><string>icon</string></property>
   <property name="textY"><number>3</number></property>
   <property name="checked"><bool>true</bool></property>
  </widget>
 </widget>
 <customwidgets>
  <customwidget><class>shellnotifyicon</class><extends>QWidget</extends><header>widgets/SShellNotifyIcon.h</header></customwidget>
  <customwidget><class>cbimg</class><extends>QWidget</extends><header>widgets/CoordButtonImage.h</header></customwidget>
  <customwidget><class>page2</class><extends>QWidget</extends><header>widgets/STabPage2.h</header><container>1</container></customwidget>
  <customwidget><class>tabctrl2</class><extends>QTabWidget</extends><header>widgets/STabCtrl2.h</header><container>1</container></customwidget>
  <customwidget><class>anmimg</class><extends>QWidget</extends><header>widgets/SAnimImg.h</header></customwidget>
  <customwidget><class>editex</class><extends>QLineEdit</extends><header>widgets/SEditEx.h</header></customwidget>
  <customwidget><class>radioex</class><extends>QRadioButton</extends><header>widgets/SRadioBoxEx.h</header></customwidget>
  <customwidget><class>checkex</class><extends>QCheckBox</extends><header>widgets/SCheckBoxEx.h</header></customwidget>
 </customwidgets>
</ui>
)";

constexpr const char* kKeys = R"(<positions>
  <key name="A" va="7" id="4" rect="0,0,10,10"/>
  <key name="B" va="7" id="5" rect="10,0,10,10"/>
</positions>)";

class WidgetLayoutTest : public WidgetTest {
  protected:
    WidgetLayoutTest() : WidgetTest({{"LAYOUT:widgets", "layout/widgets.ui", kLayout}}) {}

    // The layout holds a child of a tab control that is not a page.
    keywright::test::ExpectLog notAPage_{"child \"page_plain\" is not a \"page2\" and is left out"};

    void SetUp() override {
        WidgetTest::SetUp();
        package.Write("keys.xml", kKeys);
        QString error;
        root_.reset(toolkit.LoadLayout("LAYOUT:widgets", nullptr, &error));
        ASSERT_NE(root_, nullptr) << error.toStdString();
    }

    std::unique_ptr<QWidget> root_;
};

TEST_F(WidgetLayoutTest, RegistersTheClassesInOrderWithoutReplacingAny) {
    const QStringList names = toolkit.Registry().Names();
    const QStringList ours{"shellnotifyicon", "cbimg",  "page2",   "tabctrl2",
                           "anmimg",          "editex", "radioex", "checkex"};
    ASSERT_GE(names.size(), ours.size());
    EXPECT_EQ(names.mid(names.size() - ours.size()), ours);
    EXPECT_EQ(RegisterWidgetClasses(toolkit.Registry()), 0);
    EXPECT_EQ(toolkit.Registry().Names(), names);

    // A class known before keeps its factory.
    ui::WidgetRegistry registry;
    registry.Register("cbimg", [](QWidget* parent) -> QWidget* { return new ui::Window(parent); });
    EXPECT_EQ(RegisterWidgetClasses(registry), 7);
    std::unique_ptr<QWidget> made(registry.Create("cbimg", nullptr));
    EXPECT_EQ(dynamic_cast<CoordButtonImage*>(made.get()), nullptr);
}

TEST_F(WidgetLayoutTest, EveryClassIsMadeFromTheLayoutWithItsAttributes) {
    auto* tray = ui::Find<SShellNotifyIcon>(root_.get(), "tray");
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->IconCount(), 2);
    EXPECT_EQ(tray->DefaultIconIndex(), 1);
    EXPECT_EQ(tray->Tip(), "Keywright tray");
    EXPECT_EQ(tray->MenuType(), SShellNotifyIcon::kClassicMenu);
    EXPECT_EQ(tray->Duration(), 100);
    EXPECT_TRUE(tray->TrayIcon().isVisible()) << "initialised by the loader";

    auto* map = ui::Find<CoordButtonImage>(root_.get(), "img_keyboard");
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->BackgroundImage(), "main:kb_bg_png");
    EXPECT_EQ(map->HoverImage(), "main:kb_hover_png");
    EXPECT_EQ(map->CheckedImage(), "main:kb_checked_png");
    EXPECT_EQ(map->SelectionMode(), 2);
    ASSERT_EQ(map->Buttons().size(), 2u) << "keys read when the layout was loaded";
    EXPECT_EQ(map->Buttons()[1].name, "B");

    auto* tabs = ui::Find<STabCtrl2>(root_.get(), "tab_macro_mode_selection");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->HeaderBackground(), "head_bg");
    EXPECT_EQ(tabs->TabSkin(), "tab");
    EXPECT_EQ(tabs->IconSkin(), "tab_icons");
    EXPECT_EQ(tabs->IconOffset(), QPoint(4, 6));
    EXPECT_EQ(tabs->TextOffset(), QPoint(20, -1));
    EXPECT_EQ(tabs->CurrentTextColor(), QColor(1, 2, 3));
    // Only the "page2" children are pages.
    ASSERT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "Single");
    EXPECT_EQ(tabs->tabText(1), "Macro");
    ASSERT_NE(tabs->Page2(0), nullptr);
    EXPECT_EQ(tabs->Page2(0)->InAnimation(), "anim_in");
    EXPECT_EQ(tabs->Page2(0)->OutAnimation(), "anim_out");
    ASSERT_NE(tabs->Page2(1), nullptr);
    EXPECT_EQ(tabs->Page2(1)->IconIndex(), 5);
    QPointer<QWidget> plain = root_->findChild<QWidget*>("page_plain");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(plain.isNull()) << "the other child is gone";

    auto* anim = ui::Find<SAnimImg>(root_.get(), "logo_anim");
    ASSERT_NE(anim, nullptr);
    EXPECT_EQ(anim->Interval(), 20);
    EXPECT_EQ(anim->Autorun(), 0);
    EXPECT_TRUE(anim->Waiting()) << "created by the loader";

    auto* edit = ui::Find<SEditEx>(root_.get(), "edit_macro_delay_time");
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->placeholderText(), "Delay");

    auto* radio = ui::Find<SRadioBoxEx>(root_.get(), "radio_direction_left_0");
    ASSERT_NE(radio, nullptr);
    EXPECT_EQ(radio->Skin(), "tile");
    EXPECT_EQ(radio->IconPos(), QPoint(4, 2));
    EXPECT_EQ(radio->TextX(), 2);
    EXPECT_EQ(radio->TextAlign(), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(radio->text(), "Left");
    EXPECT_EQ(radio->TextRect().topLeft(), QPoint(2 + 4 + 16, 2));

    auto* check = ui::Find<SCheckBoxEx>(root_.get(), "chk_macro_record");
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(check->TextY(), 3);
    EXPECT_TRUE(check->isChecked());
    EXPECT_EQ(PixelAt(Render(*check), {8, 8}), FrameColor(kIcon, 4));

    // Each is found under its own class name and its bases, not another.
    EXPECT_NE(ui::FindByName(root_.get(), "chk_macro_record", "check"), nullptr);
    EXPECT_EQ(ui::FindByName(root_.get(), "chk_macro_record", "radioex"), nullptr);
    EXPECT_NE(ui::FindByName(root_.get(), "tab_macro_mode_selection", "tabctrl"), nullptr);
}

} // namespace
} // namespace keywright::widgets::test
