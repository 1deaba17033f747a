#include "ui/WidgetRegistry.h"

#include "ui/ComboBox.h"
#include "ui/ListView.h"
#include "ui/McListView.h"
#include "ui/Slider.h"
#include "ui/StockControls.h"
#include "ui/TabCtrl.h"

namespace keywright::ui {

WidgetRegistry::WidgetRegistry() {
    Register<Window>();
    Register<Button>();
    Register<ImageButton>();
    Register<CheckBox>();
    Register<RadioBox>();
    Register<ComboBox>();
    Register<Slider>();
    Register<Text>();
    Register<Edit>();
    Register<TabCtrl>();
    Register<TabPage>();
    Register<ListView>();
    Register<McListView>();
}

bool WidgetRegistry::Register(const QString& className, Factory factory) {
    if (className.isEmpty() || !factory || factories_.contains(className))
        return false;
    factories_.insert(className, std::move(factory));
    names_.push_back(className);
    return true;
}

QWidget* WidgetRegistry::Create(const QString& className, QWidget* parent) const {
    const auto it = factories_.constFind(className);
    return it != factories_.constEnd() ? (*it)(parent) : nullptr;
}

} // namespace keywright::ui
