#pragma once

namespace keywright::ui {
class WidgetRegistry;
}

namespace keywright::widgets {

// Registers the program's widget classes with `registry`, in this order:
// "shellnotifyicon", "cbimg", "page2", "tabctrl2", "anmimg", "editex",
// "radioex", "checkex". A class the registry already knows by that name stays
// as it is. Returns how many were added.
int RegisterWidgetClasses(ui::WidgetRegistry& registry);

} // namespace keywright::widgets
