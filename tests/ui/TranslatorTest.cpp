#include "UiFixture.h"
#include "ui/ComboBox.h"
#include "ui/HostWindow.h"
#include "ui/Language.h"
#include "ui/McListView.h"
#include "ui/TabCtrl.h"
#include "ui/WindowTexts.h"

#include <QCoreApplication>

namespace keywright::ui::test {
namespace {

TEST(Language, ReadsTheLanguageElement) {
    const struct {
        const char* what;
        const char* xml;
        bool loads;
        QString name;
        QString context;
        QString source;
        QString translation; // null: none
    } cases[] = {
        {"empty context",
         R"(<language name="cn"><context name=""><message><source>A</source><translation>甲</translation></message></context></language>)",
         true, "cn", "", "A", "甲"},
        {"context without name is the empty one",
         R"(<language name="cn"><context><message><source>A</source><translation>甲</translation></message></context></language>)",
         true, "cn", "", "A", "甲"},
        {"own context first",
         R"(<language><context name="x"><message><source>A</source><translation>乙</translation></message></context><context name=""><message><source>A</source><translation>甲</translation></message></context></language>)",
         true, "", "x", "A", "乙"},
        {"falls back to the empty context",
         R"(<language><context name=""><message><source>A</source><translation>甲</translation></message></context></language>)",
         true, "", "QDialogButtonBox", "A", "甲"},
        {"no fallback the other way",
         R"(<language><context name="x"><message><source>A</source><translation>乙</translation></message></context></language>)",
         true, "", "", "A", QString()},
        {"empty translation means none",
         R"(<language><context><message><source>A</source><translation></translation></message></context></language>)",
         true, "", "", "A", QString()},
        {"missing translation means none",
         R"(<language><context><message><source>A</source></message></context></language>)", true,
         "", "", "A", QString()},
        {"first of a repeated source",
         R"(<language><context><message><source>A</source><translation>1</translation></message><message><source>A</source><translation>2</translation></message></context></language>)",
         true, "", "", "A", "1"},
        {"unknown elements skipped",
         R"(<language><comment>x</comment><context><note/><message><extra/><source>A</source><translation type="unfinished">甲</translation></message></context></language>)",
         true, "", "", "A", "甲"},
        {"declaration and whitespace",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<language name=\"en\">\n  <context "
         "name=\"\"/>\n</language>\n",
         true, "en", "", "A", QString()},
        {"other top element", R"(<translation name="cn"/>)", false, "", "", "", QString()},
        {"language not at the top", R"(<doc><language name="cn"/></doc>)", false, "", "", "",
         QString()},
        {"not well-formed", R"(<language name="cn"><context></language>)", false, "", "", "",
         QString()},
        {"empty document", "", false, "", "", "", QString()},
        {"junk after the top element", R"(<language name="cn"/><language/>)", false, "", "", "",
         QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        const auto language = Language::FromXml(c.xml, &error);
        ASSERT_EQ(language != nullptr, c.loads) << error.toStdString();
        if (!c.loads) {
            EXPECT_FALSE(error.isEmpty());
            continue;
        }
        EXPECT_EQ(language->Name(), c.name);
        const QString found = language->Find(c.context, c.source);
        EXPECT_EQ(found.isNull(), c.translation.isNull());
        EXPECT_EQ(found, c.translation);
    }
}

TEST(Language, KeepsAtMost64CharactersOfItsName) {
    const QString sixtyFour(64, u'n');
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 units
    const struct {
        QString name;
        QString kept;
    } cases[] = {
        {sixtyFour, sixtyFour},
        {sixtyFour + "x", sixtyFour},
        {QString(63, u'n') + emoji, QString(63, u'n')}, // never half a character
        {QString(62, u'n') + emoji, QString(62, u'n') + emoji},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        const QByteArray xml = QStringLiteral("<language name=\"%1\"/>").arg(c.name).toUtf8();
        const auto language = Language::FromXml(xml);
        ASSERT_NE(language, nullptr);
        EXPECT_EQ(language->Name(), c.kept);
    }
}

// The main layout in a window, with every kind of text the toolkit keeps.
class TranslatorTest : public ToolkitTest {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        window_ = std::make_unique<HostWindow>("LAYOUT:XML_MAINWND");
        ASSERT_TRUE(window_->Create());
    }
    void TearDown() override { window_.reset(); }

    // Every text the main layout shows, in one list.
    QStringList Texts() const {
        const auto* combo = window_->Find<ComboBox>("cbx_color_effect");
        const auto* tabs = window_->Find<TabCtrl>("tab_color_effect");
        const auto* keys = window_->Find<McListView>("key_info");
        return {window_->windowTitle(),
                window_->Find<ImageButton>("btn_more")->text(),
                window_->Find<Text>("version")->text(),
                window_->Find<Text>("text_side_brightness")->text(),
                window_->Find<Text>("text_side_brightness")->toolTip(),
                combo->itemText(0),
                combo->itemText(1),
                combo->itemText(2),
                window_->Find<RadioBox>("radio_direction_left_0")->text(),
                window_->Find<RadioBox>("radio_direction_right_0")->text(),
                window_->Find<CheckBox>("chk_macro_record")->text(),
                window_->Find<Edit>("edit_macro_delay_time")->placeholderText(),
                tabs->tabText(0),
                tabs->tabText(1),
                window_->Find<Button>("btn_in_page")->text(),
                keys->Header()->Titles().join(u'|')};
    }

    std::unique_ptr<HostWindow> window_;
};

const QStringList kEnglish{"Keywright",
                           "More",
                           "Firmware",
                           "Speed",
                           "Side light level",
                           "Wave",
                           "Ripple",
                           "Static",
                           "Left",
                           "Right",
                           "Start record",
                           "Delay",
                           "Light",
                           "Macro",
                           "Apply",
                           "Code|Name|State|Delay"};
const QStringList kChinese{
    "键盘助手", "更多",  "固件",     "速度", "侧灯亮度", "波浪", "涟漪", "Static",
    "左",       "Right", "开始录制", "延时", "灯光",     "宏",   "应用", "代码|名称|State|延时"};

TEST_F(TranslatorTest, InstallingALanguageRetranslatesEveryTextAtOnce) {
    EXPECT_EQ(Texts(), kEnglish); // no language yet: as written
    ASSERT_TRUE(toolkit.LoadLanguage("lang_cn"));
    EXPECT_EQ(toolkit.Translation().Current()->Name(), "cn");
    EXPECT_EQ(Texts(), kChinese); // untranslated texts stay as they are
    ASSERT_TRUE(toolkit.LoadLanguage("lang_en"));
    EXPECT_EQ(Texts(), kEnglish);
    ASSERT_TRUE(toolkit.LoadLanguage("lang_cn"));
    EXPECT_EQ(Texts(), kChinese);
}

TEST_F(TranslatorTest, ALayoutLoadedUnderALanguageShowsItTranslated) {
    ASSERT_TRUE(toolkit.LoadLanguage("lang_cn"));
    window_ = std::make_unique<HostWindow>("LAYOUT:XML_MAINWND");
    window_->Create();
    EXPECT_EQ(Texts(), kChinese);
    ASSERT_TRUE(toolkit.LoadLanguage("lang_en"));
    EXPECT_EQ(Texts(), kEnglish);
}

TEST_F(TranslatorTest, TextsSetFromCodeFollowTheLanguageToo) {
    auto* record = window_->Find<CheckBox>("chk_macro_record");
    auto* label = window_->Find<Text>("text_side_brightness");
    auto* version = window_->Find<Text>("version");
    ASSERT_TRUE(toolkit.LoadLanguage("lang_cn"));

    SetText(record, "Stop record"); // through the toolkit: translated now
    EXPECT_EQ(record->text(), "停止录制");
    EXPECT_EQ(SourceText(record), "Stop record");
    label->setText("Brightness"); // straight through Qt: translated at the next change
    version->setText(Tr("Firmware") + ": v1.2"); // composed: stays as composed
    SetToolTip(label, "Speed");
    EXPECT_EQ(label->toolTip(), "速度");

    ASSERT_TRUE(toolkit.LoadLanguage("lang_en"));
    EXPECT_EQ(record->text(), "Stop record");
    EXPECT_EQ(label->text(), "Brightness");
    EXPECT_EQ(label->toolTip(), "Speed");
    EXPECT_EQ(version->text(), "固件: v1.2");

    ASSERT_TRUE(toolkit.LoadLanguage("lang_cn"));
    EXPECT_EQ(record->text(), "停止录制");
    EXPECT_EQ(label->text(), "亮度");
    EXPECT_EQ(SourceText(label), "Brightness");

    // An edit's contents are the user's.
    auto* edit = window_->Find<Edit>("edit_macro_delay_time");
    SetText(edit, "Delay");
    EXPECT_EQ(edit->text(), "Delay");
    ASSERT_TRUE(toolkit.LoadLanguage("lang_en"));
    EXPECT_EQ(edit->text(), "Delay");
    EXPECT_EQ(edit->placeholderText(), "Delay");
}

TEST_F(TranslatorTest, ComboEntriesAndTabsAddedFromCodeFollowTheLanguage) {
    auto* combo = window_->Find<ComboBox>("cbx_color_effect");
    auto* tabs = window_->Find<TabCtrl>("tab_color_effect");
    combo->AddItem("Wave", 9);
    tabs->addTab(new TabPage, "Macro");
    ASSERT_TRUE(toolkit.LoadLanguage("lang_cn"));
    EXPECT_EQ(combo->itemText(3), "波浪");
    EXPECT_EQ(combo->ItemData(3), 9);
    EXPECT_EQ(tabs->tabText(2), "宏");
    tabs->insertTab(0, new TabPage, "Light"); // pages keep their titles' sources
    ASSERT_TRUE(toolkit.LoadLanguage("lang_en"));
    EXPECT_EQ(tabs->tabText(0), "Light");
    EXPECT_EQ(tabs->tabText(1), "Light");
    EXPECT_EQ(tabs->tabText(3), "Macro");
}

TEST_F(TranslatorTest, TrUsesTheEmptyContextAndLeavesUnknownTextsAlone) {
    EXPECT_EQ(Tr("Speed"), "Speed");
    ASSERT_TRUE(toolkit.LoadLanguage("lang_cn"));
    EXPECT_EQ(Tr("Speed"), "速度");
    EXPECT_EQ(toolkit.Translation().Translate("special", "Speed"), "转速");
    EXPECT_EQ(toolkit.Translation().Translate("other", "Speed"), "速度");
    EXPECT_EQ(Tr("Not in the file"), "Not in the file");
    EXPECT_EQ(Tr(""), "");
    // Qt's own texts find the empty context as well.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "取消");
}

TEST_F(TranslatorTest, AFailedLoadKeepsTheInstalledLanguage) {
    ASSERT_TRUE(toolkit.LoadLanguage("lang_cn"));
    for (const char* name : {"lang_jp", "", "menu_more"}) {
        SCOPED_TRACE(name);
        QString error;
        EXPECT_FALSE(toolkit.LoadLanguage(name, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(toolkit.Translation().Current()->Name(), "cn");
        EXPECT_EQ(Texts(), kChinese);
    }
    toolkit.Translation().Install(nullptr);
    EXPECT_EQ(Texts(), kEnglish);
}

} // namespace
} // namespace keywright::ui::test
