// The two languages: each covers every text the windows, menus and message
// boxes show, and the Chinese one leaves none of them in English.

#include "PackageFixture.h"
#include "ui/Language.h"
#include "ui/McListView.h"
#include "ui/Menu.h"
#include "ui/WindowTexts.h"
#include "widgets/SShellNotifyIcon.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <algorithm>
#include <pugixml.hpp>
#include <set>

namespace keywright::uires::test {
namespace {

// Texts the program shows from code, translated with the installed language:
// labels and captions it sets, the step states of the step list, message
// boxes and their buttons.
const char* const kProgramTexts[] = {
    "Firmware",
    "Speed",
    "Brightness",
    "Start record",
    "Stop record",
    "key down",
    "replace",
    "Warning",
    "Please insert USB device!",
    "Please insert USB device",
    "The keyboard is connected but this user may not open it. Run once: sudo "
    "packaging/linux/keywright-setup-uinput",
    "The firmware is already the latest version and no upgrade is required.",
    "All settings will be restored, are you sure you want to continue?",
    "OK",
    "Cancel",
};

// Names that read the same in every language.
const std::set<QString> kSameInEveryLanguage = {
    QStringLiteral("Keywright"),
    QStringLiteral("English"),
    QStringLiteral("简体中文"),
};

bool HasChinese(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF) ||
               (c.unicode() >= 0x3000 && c.unicode() <= 0x303F) ||
               (c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF);
    });
}

void AddText(std::set<QString>& texts, const QString& text) {
    if (!text.trimmed().isEmpty())
        texts.insert(text);
}

// Every text `root` and its children show, as written in the layout.
void CollectWindowTexts(const QWidget* root, std::set<QString>& texts) {
    QList<const QWidget*> widgets{root};
    for (const QWidget* child : root->findChildren<QWidget*>())
        widgets.push_back(child);
    for (const QWidget* widget : widgets) {
        if (qobject_cast<const QLabel*>(widget) || qobject_cast<const QAbstractButton*>(widget))
            AddText(texts, ui::SourceText(widget)); // an edit's text is the user's
        AddText(texts, widget->windowTitle());
        AddText(texts, widget->toolTip());
        if (const auto* edit = qobject_cast<const QLineEdit*>(widget))
            AddText(texts, edit->placeholderText());
        if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i)
                AddText(texts, combo->itemText(i));
        }
        if (const auto* tabs = qobject_cast<const QTabWidget*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i)
                AddText(texts, tabs->tabText(i));
        }
        if (const auto* list = dynamic_cast<const ui::McListView*>(widget)) {
            for (const QString& title : list->Headers())
                AddText(texts, title);
        }
        if (const auto* tray = dynamic_cast<const widgets::SShellNotifyIcon*>(widget))
            AddText(texts, tray->Tip());
    }
}

void CollectMenuTexts(const std::vector<ui::Menu::Item>& items, std::set<QString>& texts) {
    for (const ui::Menu::Item& item : items) {
        AddText(texts, item.text);
        CollectMenuTexts(item.items, texts);
    }
}

// The sources of a language document, in the empty context.
std::set<QString> Sources(const QByteArray& document) {
    pugi::xml_document xml;
    EXPECT_TRUE(xml.load_buffer(document.constData(), static_cast<size_t>(document.size())));
    std::set<QString> sources;
    for (const pugi::xml_node context : xml.child("language").children("context")) {
        EXPECT_STREQ(context.attribute("name").value(), "") << "every text is in the empty context";
        for (const pugi::xml_node message : context.children("message"))
            sources.insert(QString::fromUtf8(message.child_value("source")));
    }
    return sources;
}

class TranslationTest : public PackageTest {
  protected:
    void SetUp() override {
        PackageTest::SetUp();
        for (const char* name : {"lang_en", "lang_cn"}) {
            const QString id = QStringLiteral("translator:") + QString::fromLatin1(name);
            const auto bytes = toolkit.Package().Read(id);
            ASSERT_TRUE(bytes.has_value()) << Str(id);
            documents_.push_back(*bytes);
            QString error;
            languages_.push_back(ui::Language::FromXml(*bytes, &error));
            ASSERT_NE(languages_.back(), nullptr) << Str(id) << ": " << Str(error);
        }
    }

    const ui::Language& English() const { return *languages_[0]; }
    const ui::Language& Chinese() const { return *languages_[1]; }
    const QByteArray& EnglishDocument() const { return documents_[0]; }
    const QByteArray& ChineseDocument() const { return documents_[1]; }

    // Every text of the layouts, the menus and the program's code.
    std::set<QString> VisibleTexts() {
        std::set<QString> texts;
        for (const char* layout : kLayoutIds) {
            if (const QWidget* root = Load(QString::fromLatin1(layout)))
                CollectWindowTexts(root, texts);
        }
        for (const char* id : {"smenuex:menu_more", "SMENU:menu_tray"}) {
            ui::Menu menu;
            QString error;
            EXPECT_TRUE(menu.LoadResource(QString::fromLatin1(id), &error))
                << id << ": " << Str(error);
            CollectMenuTexts(menu.Items(), texts);
        }
        for (const char* text : kProgramTexts)
            texts.insert(QString::fromUtf8(text));
        return texts;
    }

  private:
    std::vector<QByteArray> documents_;
    std::vector<std::unique_ptr<ui::Language>> languages_;
};

TEST_F(TranslationTest, BothLanguagesHaveAName) {
    for (const ui::Language* language : {&English(), &Chinese()}) {
        EXPECT_FALSE(language->Name().isEmpty());
        EXPECT_LE(language->Name().size(), ui::Language::kMaxNameLength);
    }
}

TEST_F(TranslationTest, BothLanguagesTranslateEveryVisibleText) {
    const std::set<QString> texts = VisibleTexts();
    ASSERT_FALSE(texts.empty());
    for (const QString& text : texts) {
        SCOPED_TRACE(Str(text));
        EXPECT_FALSE(English().Find(QString(), text).isNull()) << "not in lang_en";
        EXPECT_FALSE(Chinese().Find(QString(), text).isNull()) << "not in lang_cn";
    }
}

TEST_F(TranslationTest, TheChineseLanguageLeavesNoTextInEnglish) {
    for (const QString& source : Sources(ChineseDocument())) {
        SCOPED_TRACE(Str(source));
        const QString translation = Chinese().Find(QString(), source);
        if (kSameInEveryLanguage.contains(source)) {
            EXPECT_EQ(translation, source);
        } else {
            EXPECT_TRUE(HasChinese(translation)) << "translated as " << Str(translation);
        }
    }
}

TEST_F(TranslationTest, BothLanguagesListTheSameTexts) {
    // A text added to one language and forgotten in the other shows here.
    const std::set<QString> english = Sources(EnglishDocument());
    const std::set<QString> chinese = Sources(ChineseDocument());
    std::vector<QString> onlyOne;
    std::set_symmetric_difference(english.begin(), english.end(), chinese.begin(), chinese.end(),
                                  std::back_inserter(onlyOne));
    for (const QString& text : onlyOne)
        ADD_FAILURE() << "in one language only: " << Str(text);
    // English sources are the texts themselves.
    for (const QString& source : english) {
        if (!HasChinese(source)) {
            EXPECT_EQ(English().Find(QString(), source), source);
        }
    }
}

} // namespace
} // namespace keywright::uires::test
