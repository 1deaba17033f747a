#include "widgets/WidgetClasses.h"

#include "ui/WidgetRegistry.h"
#include "widgets/CoordButtonImage.h"
#include "widgets/SAnimImg.h"
#include "widgets/SCheckBoxEx.h"
#include "widgets/SEditEx.h"
#include "widgets/SRadioBoxEx.h"
#include "widgets/SShellNotifyIcon.h"
#include "widgets/STabCtrl2.h"
#include "widgets/STabPage2.h"

namespace keywright::widgets {

int RegisterWidgetClasses(ui::WidgetRegistry& registry) {
    const bool added[] = {
        registry.Register<SShellNotifyIcon>(), registry.Register<CoordButtonImage>(),
        registry.Register<STabPage2>(),        registry.Register<STabCtrl2>(),
        registry.Register<SAnimImg>(),         registry.Register<SEditEx>(),
        registry.Register<SRadioBoxEx>(),      registry.Register<SCheckBoxEx>(),
    };
    int count = 0;
    for (const bool one : added)
        count += one ? 1 : 0;
    return count;
}

} // namespace keywright::widgets
