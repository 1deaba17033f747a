#include "ui/ResourcePackage.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

namespace keywright::ui {
namespace {

// The id as the index stores it: the type folded to lower case. Empty when
// the id has no type or no name.
QString NormalisedId(const QString& id) {
    const qsizetype colon = id.indexOf(u':');
    if (colon <= 0 || colon == id.size() - 1)
        return {};
    return id.left(colon).toLower() + id.mid(colon);
}

// A relative path whose parts never climb out of the folder.
bool StaysInside(const QString& path) {
    if (path.isEmpty() || QDir::isAbsolutePath(path) || path.startsWith(u'/') ||
        path.startsWith(u'\\') || path.contains(u':')) {
        return false;
    }
    const QStringList parts = path.split(u'/');
    for (const QString& part : parts) {
        if (part.isEmpty() || part == u".." || part.contains(u'\\'))
            return false;
    }
    return true;
}

} // namespace

bool ResourcePackage::Fail(QString error) {
    error_ = std::move(error);
    ids_.clear();
    paths_.clear();
    open_ = false;
    return false;
}

bool ResourcePackage::Open(const QString& folder) {
    folder_ = folder;
    ids_.clear();
    paths_.clear();
    error_.clear();
    open_ = false;

    const QString indexPath = QDir(folder).filePath(QString::fromLatin1(kIndexFile));
    QFile file(indexPath);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("%1: %2").arg(indexPath, file.errorString()));

    QXmlStreamReader xml(&file);
    auto failAt = [&](const QString& what) {
        return Fail(QStringLiteral("%1:%2: %3").arg(indexPath).arg(xml.lineNumber()).arg(what));
    };
    if (!xml.readNextStartElement())
        return failAt(xml.hasError() ? xml.errorString() : QStringLiteral("no element"));
    if (xml.name() != u"resources")
        return failAt(QStringLiteral("the top element is not \"resources\""));
    while (xml.readNextStartElement()) {
        if (xml.name() != u"file")
            return failAt(QStringLiteral("unknown element \"%1\"").arg(xml.name()));
        const QString id = xml.attributes().value(QLatin1String("id")).toString();
        const QString path = xml.attributes().value(QLatin1String("path")).toString();
        const QString key = NormalisedId(id);
        if (key.isEmpty())
            return failAt(QStringLiteral("\"%1\" is not an id of the form type:name").arg(id));
        if (!StaysInside(path))
            return failAt(
                QStringLiteral("%1: \"%2\" is not a path inside the package").arg(id, path));
        if (paths_.contains(key))
            return failAt(QStringLiteral("%1 is listed twice").arg(id));
        paths_.insert(key, path);
        ids_.push_back(id);
        xml.skipCurrentElement();
    }
    while (!xml.atEnd())
        xml.readNext();
    if (xml.hasError())
        return failAt(xml.errorString());
    open_ = true;
    return true;
}

QString ResourcePackage::FilePath(const QString& id) const {
    const auto it = paths_.constFind(NormalisedId(id));
    if (it == paths_.constEnd())
        return {};
    return QDir(folder_).filePath(*it);
}

std::optional<QByteArray> ResourcePackage::Read(const QString& id) const {
    const QString path = FilePath(id);
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace keywright::ui
