#include "widgets/CoordPositions.h"

#include "base/NumberText.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <pugixml.hpp>

namespace keywright::widgets {
namespace {

constexpr std::string_view kBlanks = " \t";

// left + extent, kept within 32 bits for absurd numbers.
qint32 SaturatedSum(qint32 left, qint32 extent) {
    const std::int64_t sum = std::int64_t{left} + extent;
    return static_cast<qint32>(std::clamp<std::int64_t>(sum, std::numeric_limits<qint32>::min(),
                                                        std::numeric_limits<qint32>::max()));
}

CoordButton ReadKey(const pugi::xml_node& node, quint32 defaultColor) {
    CoordButton key;
    if (const pugi::xml_attribute id = node.attribute("id"))
        key.id = ReadDecimal(id.value());
    if (const pugi::xml_attribute va = node.attribute("va"))
        key.va = ReadDecimal(va.value());
    key.name = QString::fromUtf8(node.attribute("name").value());

    key.color = defaultColor;
    const std::string_view color = node.attribute("color").value();
    if (!color.empty()) {
        const std::string digits = WithoutChars(color, " \t#");
        key.color = ReadHex(digits).value_or(defaultColor);
    }

    const std::string_view rect = node.attribute("rect").value();
    if (!rect.empty()) {
        std::array<qint32, 4> ltwh{};
        ScanDecimals(WithoutChars(rect, kBlanks), ltwh);
        key.rect = {ltwh[0], ltwh[1], SaturatedSum(ltwh[0], ltwh[2]),
                    SaturatedSum(ltwh[1], ltwh[3])};
    }
    return key;
}

} // namespace

std::vector<CoordButton> ParsePositions(QByteArrayView document, quint32 defaultColor) {
    std::vector<CoordButton> keys;
    pugi::xml_document xml;
    if (!xml.load_buffer(document.data(), static_cast<size_t>(document.size())))
        return keys;
    for (const pugi::xml_node& node : xml.child("positions").children()) {
        if (node.type() == pugi::node_element)
            keys.push_back(ReadKey(node, defaultColor));
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
