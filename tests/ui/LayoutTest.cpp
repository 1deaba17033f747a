#include "UiFixture.h"
#include "ui/ComboBox.h"
#include "ui/HostWindow.h"
#include "ui/ListView.h"
#include "ui/McListView.h"
#include "ui/Slider.h"
#include "ui/TabCtrl.h"
#include "ui/WindowTree.h"

#include <memory>

namespace keywright::ui::test {
namespace {

// A second class that wants the keyboard map's name.
class OtherKeyboardMap : public Window {
  public:
    using Window::Window;
};

// A class of the program's derived from a stock control.
class TestCheckEx : public CheckBox {
    Q_OBJECT
    KEYWRIGHT_UI_CLASS("checkex", CheckBox)
  public:
    using CheckBox::CheckBox;
};

class LayoutTest : public ToolkitTest {
  protected:
    QWidget* Load(const QString& id = "LAYOUT:XML_MAINWND") {
        QString error;
        root_.reset(toolkit.LoadLayout(id, nullptr, &error));
        EXPECT_NE(root_, nullptr) << error.toStdString();
        return root_.get();
    }

    std::unique_ptr<QWidget> root_;
};

TEST_F(LayoutTest, CustomClassesRegisterInOrderAndNeverReplaceAKnownClass) {
    // The fixture registered TestKeyboardMap as "cbimg" before the test.
    WidgetRegistry& registry = toolkit.Registry();
    const qsizetype before = registry.Names().size();
    EXPECT_FALSE(registry.Register<TestKeyboardMap>());
    EXPECT_FALSE(registry.Register("cbimg", [](QWidget* p) { return new OtherKeyboardMap(p); }));
    EXPECT_FALSE(registry.Register("button", [](QWidget* p) { return new OtherKeyboardMap(p); }));
    EXPECT_TRUE(registry.Register<TestCheckEx>());
    ASSERT_EQ(registry.Names().size(), before + 1);
    EXPECT_EQ(registry.Names().at(before - 1), "cbimg");
    EXPECT_EQ(registry.Names().at(before), "checkex");

    QWidget* root = Load();
    auto* map = Find<TestKeyboardMap>(root, "img_keyboard");
    ASSERT_NE(map, nullptr); // the first registration made it
    EXPECT_EQ(map->loadedCalls, 1);
    EXPECT_NE(Find<Button>(root, "btn_close"), nullptr); // the stock button is still the stock one
}

TEST_F(LayoutTest, AnUnregisteredCustomClassIsMadeAsTheClassItExtends) {
    QWidget* root = Load("LAYOUT:fallback");
    EXPECT_NE(Find<Text>(root, "unregistered"), nullptr);
}

TEST_F(LayoutTest, StockQtClassesBecomeTheToolkitsControls) {
    QWidget* root = Load();
    const struct {
        const char* name;
        std::string_view className;
    } cases[] = {
        {"btn_close", "button"},
        {"btn_more", "imgbtn"},
        {"version", "text"},
        {"cbx_color_effect", "combobox"},
        {"bar_side_brightness", "sliderbar"},
        {"radio_direction_left_0", "radio"},
        {"chk_macro_record", "check"},
        {"edit_macro_delay_time", "edit"},
        {"tab_color_effect", "tabctrl"},
        {"page_light", "page"},
        {"macro_group", "listview"},
        {"key_info", "mclistview"},
        {"panel", "window"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QWidget* control = FindByName(root, c.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(ClassNameOf(control), c.className);
    }
}

TEST_F(LayoutTest, AControlAnswersForItsClassAndEveryBaseUpToWindow) {
    TestCheckEx checkEx;
    McListView mcList;
    ImageButton imageButton;
    QWidget plain;
    const struct {
        const char* what;
        const QWidget* widget;
        std::string_view className;
        bool answers;
    } cases[] = {
        {"checkex", &checkEx, "checkex", true},
        {"checkex", &checkEx, "check", true},
        {"checkex", &checkEx, "window", true},
        {"checkex", &checkEx, "button", false},
        {"checkex", &checkEx, "radioex", false},
        {"checkex", &checkEx, "CheckEx", false}, // case-sensitive
        {"mclistview", &mcList, "mclistview", true},
        {"mclistview", &mcList, "listview", true},
        {"mclistview", &mcList, "window", true},
        {"listview", nullptr, "window", false},
        {"imgbtn", &imageButton, "imgbtn", true},
        {"imgbtn", &imageButton, "button", true},
        {"imgbtn", &imageButton, "window", true},
        {"imgbtn", &imageButton, "text", false},
        {"plain widget", &plain, "window", true},
        {"plain widget", &plain, "text", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " as " + std::string(c.className));
        EXPECT_EQ(IsClass(c.widget, c.className), c.answers);
    }
    ListView list;
    EXPECT_FALSE(IsClass(&list, "mclistview"));
}

TEST_F(LayoutTest, TheNamedIdTableGivesIdsOverTheLayoutsOwn) {
    QWidget* root = Load();
    const struct {
        const char* name;
        int id;
    } cases[] = {
        {"btn_more", 65537}, {"btn_min", 65538}, // the layout says 9; the table wins
        {"explicit_id", 7},                      // not in the table: the layout's own
        {"btn_close", 0},                        // in neither
        {"page_light", 0},   {"tab_color_effect", 65541}, {"macro_group", 65573},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IdOf(FindByName(root, c.name)), c.id);
    }
}

TEST_F(LayoutTest, ALayoutThatCannotBeLoadedGivesNullAndSaysWhy) {
    for (const char* id :
         {"LAYOUT:no_such_layout", "LAYOUT:listed_but_missing", "smenuex:menu_more"}) {
        SCOPED_TRACE(id);
        QString error;
        std::unique_ptr<QWidget> root(toolkit.LoadLayout(id, nullptr, &error));
        EXPECT_EQ(root, nullptr);
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST_F(LayoutTest, FindsControlsByNameOrIdWithAClassCheck) {
    QWidget* root = Load();
    auto* combo = FindByName(root, "cbx_color_effect", "combobox");
    ASSERT_NE(combo, nullptr);
    const struct {
        const char* what;
        QWidget* found;
        QWidget* expected;
    } cases[] = {
        {"by name", FindByName(root, "cbx_color_effect", "combobox"), combo},
        {"by id", FindById(root, 65540, "combobox"), combo},
        {"as window", FindByName(root, "cbx_color_effect"), combo},
        {"typed by name", Find<ComboBox>(root, "cbx_color_effect"), combo},
        {"typed by id", Find<ComboBox>(root, 65540), combo},
        {"wrong class by name", FindByName(root, "cbx_color_effect", "sliderbar"), nullptr},
        {"wrong class by id", FindById(root, 65540, "sliderbar"), nullptr},
        {"wrong type", Find<Slider>(root, "cbx_color_effect"), nullptr},
        {"missing name", FindByName(root, "cbx_no_such"), nullptr},
        {"missing id", FindById(root, 65599), nullptr},
        {"id 0", FindById(root, 0), nullptr},
        {"empty name", FindByName(root, ""), nullptr},
        {"not the root itself", FindByName(root, "main_root"), nullptr},
        {"null root", FindByName(nullptr, "cbx_color_effect"), nullptr},
        {"inside a tab page", Find<Button>(root, "btn_in_page"), FindByName(root, "btn_in_page")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.found, c.expected);
    }
    EXPECT_NE(cases[14].expected, nullptr);
}

TEST_F(LayoutTest, TheNearestOfTwoControlsOfOneNameIsFound) {
    QWidget* root = Load();
    // "panel" comes first and holds a "twin" one level down; the other
    // "twin" is a direct child.
    QWidget* twin = FindByName(root, "twin");
    ASSERT_NE(twin, nullptr);
    EXPECT_EQ(ClassNameOf(twin), "button");
    // The first found decides: it is not a text, so no text is found.
    EXPECT_EQ(FindByName(root, "twin", "text"), nullptr);
    EXPECT_NE(FindByName(FindByName(root, "panel"), "twin", "text"), nullptr);
}

TEST_F(LayoutTest, LookupsStayInsideTheirWindow) {
    HostWindow main("LAYOUT:XML_MAINWND");
    main.Create();
    HostWindow dialog("LAYOUT:dialog", &main); // a window of its own, child of the main one
    dialog.Create();
    EXPECT_EQ(main.Find<Button>("btnOK"), nullptr);
    EXPECT_EQ(FindById(&main, 65595), nullptr);
    EXPECT_NE(dialog.Find<Button>(65595), nullptr);
}

TEST_F(LayoutTest, UserDataStaysOnAnyWidget) {
    QWidget plain;
    Button button;
    EXPECT_EQ(UserData(&plain), 0);
    SetUserData(&plain, 42);
    SetUserData(&button, -7);
    EXPECT_EQ(UserData(&plain), 42);
    EXPECT_EQ(UserData(&button), -7);
    EXPECT_EQ(UserData(nullptr), 0);
}

} // namespace
} // namespace keywright::ui::test

#include "LayoutTest.moc"
