#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QPoint>
#include <QString>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace keywright::ui {

// A popup menu built from a menu resource.
//
//   <menu>
//     <item id="1" text="Check firmware"/>
//     <item text="Language">
//       <item name="zh_cn" text="中文"/>
//       <item name="jp" text="English"/>
//     </item>
//     <sep/>
//     <item name="autostart" text="Start with the desktop" checked="0"/>
//     <item id="6" text="Exit" disabled="1"/>
//   </menu>
//
// The top element's name is free ("menu", "menuRoot", ...) and kept as
// RootName. An item with items inside is a submenu. "id" is a command ID
// (decimal or 0x-hexadecimal; 0 when absent), "name" a command name; either
// or both may be given. An item with "checked" ("1" or "0") shows a check
// mark, set or not; its owner usually sets it before the menu opens, from the
// state it stands for. Texts are translated when the menu opens.
class Menu {
  public:
    struct Item {
        int id = 0;
        QString name;
        QString text;
        bool separator = false;
        bool disabled = false;
        bool checkable = false;
        bool checked = false;
        std::vector<Item> items; // a submenu when not empty
    };

    // Replaces the menu. False when the document is not well-formed, an
    // element other than "item" and "sep" appears inside the top one, or an
    // id cannot be read; the menu is then empty and `error` says why.
    bool Load(QByteArrayView document, QString* error = nullptr);
    // Loads the menu resource `id` of the toolkit's package.
    bool LoadResource(const QString& id, QString* error = nullptr);

    const QString& RootName() const { return rootName_; }
    const std::vector<Item>& Items() const { return items_; }

    // Sets the check mark of every checkable item named `name`, in submenus
    // too. False when there is none.
    bool SetChecked(const QString& name, bool checked);

    // Opens the menu with its top-left corner at `screenPoint` and returns
    // when it closes. The chosen item goes to `owner` (or the window that
    // holds it) as a command with the item's name and ID, marked as a menu
    // command, before this returns. The chosen item; null when the menu was
    // closed without a choice.
    const Item* Exec(const QPoint& screenPoint, QWidget* owner) const;

  private:
    void Fill(QMenu& menu, const std::vector<Item>& items,
              QHash<const QAction*, const Item*>& chosen) const;

    QString rootName_;
    std::vector<Item> items_;
};

} // namespace keywright::ui
