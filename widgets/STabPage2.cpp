#include "widgets/STabPage2.h"

#include "widgets/Attributes.h"

namespace keywright::widgets {

STabPage2::STabPage2(QWidget* parent) : ui::TabPage(parent) {}

void STabPage2::SetIconIndexValue(const QVariant& value) {
    ApplyIntAttribute(value, iconIndex_, "iconIndex", this);
}

} // namespace keywright::widgets
