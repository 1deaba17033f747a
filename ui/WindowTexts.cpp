#include "ui/WindowTexts.h"

#include "ui/Control.h"
#include "ui/Toolkit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QWidget>

namespace keywright::ui {
namespace {

// Where the source and the shown translation of a text are kept: dynamic
// properties of the widget for its own texts, item roles for combo items.
QByteArray SourceKey(const char* property) {
    return QByteArray("_kw_source_") + property;
}
QByteArray ShownKey(const char* property) {
    return QByteArray("_kw_shown_") + property;
}
constexpr int kSourceRole = Qt::UserRole + 0x4B00;
constexpr int kShownRole = Qt::UserRole + 0x4B01;

struct Tracked {
    QString source;
    QString shown;
};

// The new pair from the stored one and what is shown now: unless the shown
// text is still the one last translated, someone replaced it, and what shows
// now is the source.
Tracked Next(const QVariant& source, const QVariant& shown, const QString& current) {
    QString next = (source.isValid() && shown.toString() == current) ? source.toString() : current;
    QString translated = Tr(next);
    return {std::move(next), std::move(translated)};
}

// The property that holds a widget's own text; null for an edit.
const char* TextProperty(const QWidget* widget) {
    if (qobject_cast<const QLabel*>(widget) || qobject_cast<const QAbstractButton*>(widget))
        return "text";
    if (qobject_cast<const QGroupBox*>(widget))
        return "title";
    if (qobject_cast<const QLineEdit*>(widget))
        return nullptr;
    return "windowTitle";
}

void SetTracked(QWidget* widget, const char* property, const QString& source) {
    const QString shown = Tr(source);
    widget->setProperty(SourceKey(property), source);
    widget->setProperty(ShownKey(property), shown);
    widget->setProperty(property, shown);
}

void RetranslateProperty(QWidget* widget, const char* property) {
    const QString current = widget->property(property).toString();
    const QVariant source = widget->property(SourceKey(property));
    if (!source.isValid() && current.isEmpty())
        return; // nothing shown, nothing to keep
    const Tracked next = Next(source, widget->property(ShownKey(property)), current);
    widget->setProperty(SourceKey(property), next.source);
    widget->setProperty(ShownKey(property), next.shown);
    if (next.shown != current)
        widget->setProperty(property, next.shown);
}

void RetranslateItems(QComboBox* combo) {
    for (int i = 0; i < combo->count(); ++i) {
        const Tracked next = Next(combo->itemData(i, kSourceRole), combo->itemData(i, kShownRole),
                                  combo->itemText(i));
        combo->setItemData(i, next.source, kSourceRole);
        combo->setItemData(i, next.shown, kShownRole);
        if (next.shown != combo->itemText(i))
            combo->setItemText(i, next.shown);
    }
}

// A tab's title is kept on its page, which stays with the title when tabs
// are inserted or moved.
void RetranslateTabs(QTabWidget* tabs) {
    static const char* const kTab = "tab";
    for (int i = 0; i < tabs->count(); ++i) {
        QWidget* page = tabs->widget(i);
        const Tracked next =
            Next(page->property(SourceKey(kTab)), page->property(ShownKey(kTab)), tabs->tabText(i));
        page->setProperty(SourceKey(kTab), next.source);
        page->setProperty(ShownKey(kTab), next.shown);
        if (next.shown != tabs->tabText(i))
            tabs->setTabText(i, next.shown);
    }
}

} // namespace

QString Tr(const QString& source) {
    const Toolkit* toolkit = Toolkit::Instance();
    return toolkit != nullptr ? toolkit->Translation().Translate(QString(), source) : source;
}

void SetText(QWidget* widget, const QString& source) {
    if (widget == nullptr)
        return;
    const char* property = TextProperty(widget);
    if (property == nullptr) {
        widget->setProperty("text", source);
        return;
    }
    SetTracked(widget, property, source);
}

void SetToolTip(QWidget* widget, const QString& source) {
    if (widget != nullptr)
        SetTracked(widget, "toolTip", source);
}

QString SourceText(const QWidget* widget) {
    if (widget == nullptr)
        return {};
    const char* property = TextProperty(widget);
    if (property == nullptr)
        return widget->property("text").toString();
    const QVariant source = widget->property(SourceKey(property));
    const QString current = widget->property(property).toString();
    if (source.isValid() && widget->property(ShownKey(property)).toString() == current)
        return source.toString();
    return current;
}

void Retranslate(QWidget* widget) {
    const char* property = TextProperty(widget);
    if (property != nullptr)
        RetranslateProperty(widget, property);
    if (property == nullptr || qstrcmp(property, "windowTitle") != 0)
        RetranslateProperty(widget, "windowTitle");
    RetranslateProperty(widget, "toolTip");
    if (qobject_cast<QLineEdit*>(widget))
        RetranslateProperty(widget, "placeholderText");
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        RetranslateItems(combo);
    if (auto* tabs = qobject_cast<QTabWidget*>(widget))
        RetranslateTabs(tabs);
    if (auto* control = dynamic_cast<Control*>(widget))
        control->Retranslate();
}

void RetranslateAll() {
    for (QWidget* widget : QApplication::allWidgets())
        Retranslate(widget);
}

} // namespace keywright::ui
