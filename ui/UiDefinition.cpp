#include "ui/UiDefinition.h"

#include <QXmlStreamReader>

namespace keywright::ui {

bool UiDefinition::Load(QByteArrayView document, QString* error) {
    *this = UiDefinition();
    UiDefinition loaded;
    QXmlStreamReader xml(document.toByteArray());
    QString problem;
    auto fail = [&](const QString& what) {
        problem = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(what);
        return false;
    };
    auto read = [&]() -> bool {
        if (!xml.readNextStartElement())
            return fail(xml.hasError() ? xml.errorString() : QStringLiteral("no element"));
        if (xml.name() != u"uidef")
            return fail(QStringLiteral("the top element is not \"uidef\""));
        while (xml.readNextStartElement()) {
            const QString section = xml.name().toString();
            if (section == u"style") {
                loaded.styleSheet_ = xml.attributes().value(QLatin1String("src")).toString();
                xml.skipCurrentElement();
                continue;
            }
            if (section != u"string" && section != u"color" && section != u"skin")
                return fail(QStringLiteral("unknown section \"%1\"").arg(section));
            while (xml.readNextStartElement()) {
                const auto attributes = xml.attributes();
                const QString name = attributes.value(QLatin1String("name")).toString();
                if (xml.name() != u"item" || name.isEmpty())
                    return fail(
                        QStringLiteral("%1: an entry is not an item with a name").arg(section));
                if (section == u"string") {
                    if (loaded.stringNames_.contains(name))
                        return fail(QStringLiteral("string %1 is given twice").arg(name));
                    loaded.stringNames_.push_back(name);
                    loaded.stringValues_.push_back(
                        attributes.value(QLatin1String("value")).toString());
                } else if (section == u"color") {
                    const QColor color =
                        QColor::fromString(attributes.value(QLatin1String("value")));
                    if (!color.isValid())
                        return fail(QStringLiteral("colour %1 cannot be read").arg(name));
                    if (loaded.colors_.contains(name))
                        return fail(QStringLiteral("colour %1 is given twice").arg(name));
                    loaded.colors_.insert(name, color);
                } else {
                    SkinEntry skin{attributes.value(QLatin1String("src")).toString(), 1};
                    if (attributes.hasAttribute(QLatin1String("states"))) {
                        bool ok = false;
                        skin.states = attributes.value(QLatin1String("states")).toInt(&ok);
                        if (!ok || skin.states < 1)
                            return fail(QStringLiteral("skin %1: bad state count").arg(name));
                    }
                    if (loaded.skins_.contains(name))
                        return fail(QStringLiteral("skin %1 is given twice").arg(name));
                    loaded.skins_.insert(name, skin);
                }
                xml.skipCurrentElement();
            }
        }
        while (!xml.atEnd())
            xml.readNext();
        if (xml.hasError())
            return fail(xml.errorString());
        return true;
    };
    if (!read()) {
        if (error != nullptr)
            *error = problem;
        return false;
    }
    *this = std::move(loaded);
    return true;
}

QString UiDefinition::String(int index) const {
    return index >= 0 && index < stringValues_.size() ? stringValues_.at(index) : QString();
}

QString UiDefinition::String(const QString& name) const {
    return String(static_cast<int>(stringNames_.indexOf(name)));
}

QString UiDefinition::Expand(const QString& text) const {
    static const QString kPrefix = QStringLiteral("@string/");
    if (!text.startsWith(kPrefix))
        return text;
    const qsizetype index = stringNames_.indexOf(text.mid(kPrefix.size()));
    return index >= 0 ? stringValues_.at(index) : text;
}

QColor UiDefinition::Color(const QString& name) const {
    return colors_.value(name);
}

const UiDefinition::SkinEntry* UiDefinition::Skin(const QString& name) const {
    const auto it = skins_.constFind(name);
    return it != skins_.constEnd() ? &*it : nullptr;
}

} // namespace keywright::ui
