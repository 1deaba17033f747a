#include "ui/Menu.h"

#include "ui/Event.h"
#include "ui/NumberText.h"
#include "ui/Toolkit.h"
#include "ui/WindowTexts.h"

#include <QHash>
#include <QMenu>
#include <QPointer>
#include <QXmlStreamReader>
#include <climits>

namespace keywright::ui {
namespace {

bool ReadItems(QXmlStreamReader& xml, std::vector<Menu::Item>& items, QString& problem) {
    while (xml.readNextStartElement()) {
        Menu::Item item;
        const auto attributes = xml.attributes();
        if (xml.name() == u"sep") {
            item.separator = true;
            xml.skipCurrentElement();
        } else if (xml.name() == u"item") {
            if (attributes.hasAttribute(QLatin1String("id"))) {
                const auto id = ParseNumber(attributes.value(QLatin1String("id")));
                if (!id || *id < INT_MIN || *id > INT_MAX) {
                    problem = QStringLiteral("line %1: \"%2\" is not a command ID")
                                  .arg(xml.lineNumber())
                                  .arg(attributes.value(QLatin1String("id")));
                    return false;
                }
                item.id = static_cast<int>(*id);
            }
            item.name = attributes.value(QLatin1String("name")).toString();
            item.text = attributes.value(QLatin1String("text")).toString();
            item.disabled = attributes.value(QLatin1String("disabled")) == u"1";
            item.checkable = attributes.hasAttribute(QLatin1String("checked"));
            item.checked = attributes.value(QLatin1String("checked")) == u"1";
            if (!ReadItems(xml, item.items, problem))
                return false;
        } else {
            problem = QStringLiteral("line %1: unknown element \"%2\"")
                          .arg(xml.lineNumber())
                          .arg(xml.name());
            return false;
        }
        items.push_back(std::move(item));
    }
    if (xml.hasError()) {
        problem = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        return false;
    }
    return true;
}

bool SetCheckedIn(std::vector<Menu::Item>& items, const QString& name, bool checked) {
    bool found = false;
    for (Menu::Item& item : items) {
        if (item.checkable && item.name == name) {
            item.checked = checked;
            found = true;
        }
        found = SetCheckedIn(item.items, name, checked) || found;
    }
    return found;
}

} // namespace

bool Menu::SetChecked(const QString& name, bool checked) {
    return SetCheckedIn(items_, name, checked);
}

bool Menu::Load(QByteArrayView document, QString* error) {
    rootName_.clear();
    items_.clear();
    QXmlStreamReader xml(document.toByteArray());
    QString problem;
    QString root;
    std::vector<Item> items;
    bool ok = xml.readNextStartElement();
    if (!ok)
        problem = xml.hasError() ? xml.errorString() : QStringLiteral("no element");
    if (ok) {
        root = xml.name().toString();
        ok = ReadItems(xml, items, problem);
    }
    while (ok && !xml.atEnd())
        xml.readNext();
    if (ok && xml.hasError()) {
        problem = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        ok = false;
    }
    if (!ok) {
        if (error != nullptr)
            *error = problem;
        return false;
    }
    rootName_ = std::move(root);
    items_ = std::move(items);
    return true;
}

bool Menu::LoadResource(const QString& id, QString* error) {
    const Toolkit* toolkit = Toolkit::Instance();
    const auto bytes = toolkit != nullptr ? toolkit->Package().Read(id) : std::nullopt;
    if (!bytes) {
        if (error != nullptr)
            *error = QStringLiteral("%1: no such resource").arg(id);
        rootName_.clear();
        items_.clear();
        return false;
    }
    return Load(*bytes, error);
}

void Menu::Fill(QMenu& menu, const std::vector<Item>& items,
                QHash<const QAction*, const Item*>& chosen) const {
    for (const Item& item : items) {
        if (item.separator) {
            menu.addSeparator();
        } else if (!item.items.empty()) {
            QMenu* submenu = menu.addMenu(Tr(item.text));
            submenu->setEnabled(!item.disabled);
            Fill(*submenu, item.items, chosen);
        } else {
            QAction* action = menu.addAction(Tr(item.text));
            action->setEnabled(!item.disabled);
            action->setCheckable(item.checkable);
            action->setChecked(item.checked);
            chosen.insert(action, &item);
        }
    }
}

const Menu::Item* Menu::Exec(const QPoint& screenPoint, QWidget* owner) const {
    QMenu menu(owner);
    QHash<const QAction*, const Item*> items;
    Fill(menu, items_, items);
    const QPointer<QWidget> alive(owner);
    const Item* item = items.value(menu.exec(screenPoint), nullptr);
    if (item == nullptr)
        return nullptr;
    if (!alive.isNull()) {
        Event event;
        event.id = kCommandEvent;
        event.name = item->name;
        event.controlId = item->id;
        event.menu = true;
        DeliverCommand(owner, event);
    }
    return item;
}

} // namespace keywright::ui
