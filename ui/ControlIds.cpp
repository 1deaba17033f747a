#include "ui/ControlIds.h"

namespace keywright::ui {

void ControlIds::Register(std::span<const NamedId> table) {
    ids_.clear();
    names_.clear();
    for (const NamedId& row : table) {
        const QString name = QString::fromUtf8(row.name);
        if (name.isEmpty() || row.id == 0 || ids_.contains(name))
            continue;
        ids_.insert(name, row.id);
        if (!names_.contains(row.id))
            names_.insert(row.id, name);
    }
}

} // namespace keywright::ui
