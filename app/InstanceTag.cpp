#include "app/InstanceTag.h"

#include "ui/Toolkit.h"

namespace keywright::app {

QString InstanceTag() {
    const ui::Toolkit* toolkit = ui::Toolkit::Instance();
    return toolkit != nullptr ? toolkit->Definition().String(0) : QString();
}

} // namespace keywright::app
