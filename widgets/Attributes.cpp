#include "widgets/Attributes.h"

#include "base/Log.h"
#include "ui/NumberText.h"
#include "ui/WindowTree.h"

#include <QWidget>
#include <limits>

namespace keywright::widgets {
namespace {

QString ClassOf(const QWidget* widget) {
    const std::string_view name = ui::ClassNameOf(widget);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace

std::optional<int> IntAttribute(const QVariant& value) {
    std::optional<qint64> number;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        number = value.toLongLong();
        break;
    case QMetaType::QString:
    case QMetaType::QByteArray:
        number = ui::ParseNumber(value.toString());
        break;
    default:
        break;
    }
    if (!number || *number < std::numeric_limits<int>::min() ||
        *number > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*number);
}

void ApplyIntAttribute(const QVariant& value, int& target, const char* attribute,
                       const QWidget* widget) {
    if (const std::optional<int> number = IntAttribute(value))
        target = *number;
    else
        WarnBadAttribute(widget, attribute, value.toString());
}

void WarnBadAttribute(const QWidget* widget, const char* attribute, const QString& value) {
    LogLine(QStringLiteral("layout: %1 \"%2\": attribute \"%3\" cannot be \"%4\"")
                .arg(ClassOf(widget))
                .arg(widget != nullptr ? widget->objectName() : QString())
                .arg(QString::fromLatin1(attribute))
                .arg(value)
                .toStdString());
}

} // namespace keywright::widgets
