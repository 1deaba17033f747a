#pragma once

#include <QString>
#include <QVariant>
#include <optional>

class QWidget;

namespace keywright::widgets {

// Integer attributes of the widgets are QVariant properties so that a layout
// may write them either as a Designer <number> or as a <string> in decimal or
// 0x-hexadecimal ("0x10"). The value as a 32-bit integer; nullopt when it is
// neither a number nor such a text, or does not fit.
std::optional<int> IntAttribute(const QVariant& value);

// Sets `target` from an integer attribute; a value that cannot be read leaves
// it as it is and logs the layout fault, naming `attribute` and `widget`.
void ApplyIntAttribute(const QVariant& value, int& target, const char* attribute,
                       const QWidget* widget);

// Logs that `widget`'s layout gave `attribute` a value it could not use.
void WarnBadAttribute(const QWidget* widget, const char* attribute, const QString& value);

} // namespace keywright::widgets
