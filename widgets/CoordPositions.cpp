#include "widgets/CoordPositions.h"

#include "positions/PositionsReader.h"

#include <QFile>
#include <cstddef>

namespace keywright::widgets {

std::vector<CoordButton> ParsePositions(QByteArrayView document, quint32 defaultColor) {
    std::vector<CoordButton> keys;
    const positions::PositionsRead read =
        positions::ReadPositions({document.data(), static_cast<std::size_t>(document.size())});
    if (!read.document)
        return keys;
    keys.reserve(read.document->keys.size());
    for (const positions::KeyPosition& row : read.document->keys) {
        CoordButton& key = keys.emplace_back();
        key.id = row.id;
        key.va = row.va;
        key.name = QString::fromStdString(row.name);
        key.rect = {row.left, row.top, row.right, row.bottom};
        key.color = row.color.value_or(defaultColor);
    }
    return keys;
}

std::vector<CoordButton> LoadPositionsFile(const QString& filePath, quint32 defaultColor) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ParsePositions(file.readAll(), defaultColor);
}

QString PositionsFilePath(const QString& programFolder, const QString& path) {
    QString relative = path;
    relative.replace(u'\\', u'/');
    if (relative.startsWith(u'/'))
        return programFolder + relative;
    return programFolder + u'/' + relative;
}

} // namespace keywright::widgets
