#include "ui/NumberText.h"

#include <QString>

namespace keywright::ui {

std::optional<qint64> ParseNumber(QStringView text) {
    text = text.trimmed();
    bool negative = false;
    if (text.startsWith(u'-')) {
        negative = true;
        text = text.mid(1);
    }
    int base = 10;
    if (text.startsWith(u"0x") || text.startsWith(u"0X")) {
        base = 16;
        text = text.mid(2);
    }
    if (text.isEmpty() || !text.front().isLetterOrNumber())
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, base);
    if (!ok)
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace keywright::ui
