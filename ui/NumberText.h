#pragma once

#include <QStringView>
#include <QtGlobal>
#include <optional>

namespace keywright::ui {

// A whole number as layouts and menus write it: decimal, or hexadecimal with
// "0x" or "0X", with an optional minus sign and blanks around it. nullopt for
// anything else (a leading 0 does not mean octal).
std::optional<qint64> ParseNumber(QStringView text);

} // namespace keywright::ui
