#include "ui/Language.h"

#include <QXmlStreamReader>

namespace keywright::ui {
namespace {

thread_local int lookupsPaused = 0;

// At most `max` UTF-16 units, never half of a surrogate pair.
QString Cut(QString text, qsizetype max) {
    if (text.size() <= max)
        return text;
    qsizetype end = max;
    if (text.at(end - 1).isHighSurrogate())
        --end;
    text.truncate(end);
    return text;
}

struct Message {
    QString source;
    QString translation;
    bool hasSource = false;
};

Message ReadMessage(QXmlStreamReader& xml) {
    Message message;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"source") {
            message.source = xml.readElementText();
            message.hasSource = true;
        } else if (xml.name() == u"translation") {
            message.translation = xml.readElementText();
        } else {
            xml.skipCurrentElement();
        }
    }
    return message;
}

} // namespace

std::unique_ptr<Language> Language::FromXml(QByteArrayView document, QString* error) {
    std::unique_ptr<Language> language(new Language);
    QXmlStreamReader xml(document.toByteArray());
    if (!xml.readNextStartElement() || xml.name() != u"language") {
        if (error != nullptr) {
            *error = xml.hasError() ? xml.errorString()
                                    : QStringLiteral("the top element is not \"language\"");
        }
        return nullptr;
    }
    language->name_ = Cut(xml.attributes().value(QLatin1String("name")).toString(), kMaxNameLength);
    while (xml.readNextStartElement()) {
        if (xml.name() != u"context") {
            xml.skipCurrentElement();
            continue;
        }
        auto& messages =
            language->contexts_[xml.attributes().value(QLatin1String("name")).toString()];
        while (xml.readNextStartElement()) {
            if (xml.name() != u"message") {
                xml.skipCurrentElement();
                continue;
            }
            const Message message = ReadMessage(xml);
            if (message.hasSource && !message.translation.isEmpty() &&
                !messages.contains(message.source)) {
                messages.insert(message.source, message.translation);
            }
        }
    }
    // Reading past the top element catches anything malformed after it.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError()) {
        if (error != nullptr)
            *error = QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        return nullptr;
    }
    return language;
}

QString Language::Find(const QString& context, const QString& source) const {
    if (auto it = contexts_.constFind(context); it != contexts_.constEnd()) {
        if (auto found = it->constFind(source); found != it->constEnd())
            return *found;
    }
    if (!context.isEmpty())
        return Find(QString(), source);
    return {};
}

Language::QtLookupsPaused::QtLookupsPaused() {
    ++lookupsPaused;
}

Language::QtLookupsPaused::~QtLookupsPaused() {
    --lookupsPaused;
}

QString Language::translate(const char* context, const char* sourceText, const char*, int) const {
    if (lookupsPaused > 0)
        return {};
    return Find(QString::fromUtf8(context), QString::fromUtf8(sourceText));
}

} // namespace keywright::ui
