// The two popup menus: the "more" menu of the caption bar and the tray icon's
// menu. The main window acts on command IDs 1 (firmware check) and 6 (close)
// and on the command names "zh_cn" and "jp" (language); nothing else.

#include "ui/Menu.h"

#include "PackageFixture.h"

#include <functional>
#include <set>

namespace keywright::uires::test {
namespace {

// Calls `visit` for every item that is chosen rather than opened: not a
// separator, not a submenu.
void ForEachCommand(const std::vector<ui::Menu::Item>& items,
                    const std::function<void(const ui::Menu::Item&)>& visit) {
    for (const ui::Menu::Item& item : items) {
        if (!item.items.empty())
            ForEachCommand(item.items, visit);
        else if (!item.separator)
            visit(item);
    }
}

TEST_F(PackageTest, EachMenuOffersEveryCommandAndOnlyCommandsThatAct) {
    // The names the main window acts on; "autostart" only in the "more" menu.
    const struct {
        const char* id;
        std::set<QString> names;
    } menus[] = {
        {"smenuex:menu_more", {"zh_cn", "jp", "autostart"}},
        {"SMENU:menu_tray", {"zh_cn", "jp"}},
    };
    for (const auto& [id, commandNames] : menus) {
        SCOPED_TRACE(id);
        ui::Menu menu;
        QString error;
        ASSERT_TRUE(menu.LoadResource(QString::fromLatin1(id), &error)) << Str(error);
        std::set<int> ids;
        std::set<QString> names;
        ForEachCommand(menu.Items(), [&](const ui::Menu::Item& item) {
            SCOPED_TRACE(Str(item.text));
            EXPECT_FALSE(item.text.isEmpty());
            EXPECT_FALSE(item.disabled);
            const bool acts = item.id == 1 || item.id == 6 || commandNames.contains(item.name);
            EXPECT_TRUE(acts) << "an item that does nothing (id " << item.id << ", name \""
                              << Str(item.name) << "\")";
            if (item.id != 0)
                ids.insert(item.id);
            if (!item.name.isEmpty())
                names.insert(item.name);
        });
        EXPECT_EQ(ids, (std::set<int>{1, 6}));
        EXPECT_EQ(names, commandNames);
    }
}

} // namespace
} // namespace keywright::uires::test
