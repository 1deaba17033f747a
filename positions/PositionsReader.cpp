#include "positions/PositionsReader.h"

#include "base/NumberText.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <limits>
#include <pugixml.hpp>
#include <sstream>
#include <utility>

namespace keywright::positions {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kColorFiller = " \t#";

std::int32_t SaturatedSum(std::int32_t a, std::int32_t b) {
    const std::int64_t sum = std::int64_t{a} + b;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        sum, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

KeyPosition ReadKey(const pugi::xml_node& node) {
    KeyPosition key;
    if (const pugi::xml_attribute id = node.attribute("id"))
        key.id = ReadDecimal(id.value());
    if (const pugi::xml_attribute va = node.attribute("va"))
        key.va = ReadDecimal(va.value());
    key.name = node.attribute("name").value();

    if (const std::string_view color = node.attribute("color").value(); !color.empty())
        key.color = ReadHex(WithoutChars(color, kColorFiller));

    if (const std::string_view rect = node.attribute("rect").value(); !rect.empty()) {
        std::array<std::int32_t, 4> ltwh{};
        ScanDecimals(WithoutChars(rect, kBlanks), ltwh);
        key.left = ltwh[0];
        key.top = ltwh[1];
        key.right = SaturatedSum(ltwh[0], ltwh[2]);
        key.bottom = SaturatedSum(ltwh[1], ltwh[3]);
    }
    return key;
}

} // namespace

PositionsRead ReadPositions(std::string_view xml) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size());
    if (!parsed)
        return {std::nullopt, std::string("not XML: ") + parsed.description() + " at offset " +
                                  std::to_string(parsed.offset)};
    const pugi::xml_node root = doc.child("positions");
    if (!root)
        return {std::nullopt, "no \"positions\" element"};

    PositionsDocument document;
    document.width = ReadDecimal(root.attribute("width").value());
    document.height = ReadDecimal(root.attribute("height").value());
    for (const pugi::xml_node& node : root.children()) {
        if (node.type() == pugi::node_element)
            document.keys.push_back(ReadKey(node));
    }
    return {std::move(document), {}};
}

PositionsRead ReadPositionsFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {std::nullopt, "cannot open " + path};
    std::ostringstream text;
    text << in.rdbuf();
    if (!in.good() && !in.eof())
        return {std::nullopt, "cannot read " + path};
    PositionsRead read = ReadPositions(text.str());
    if (!read.document)
        read.error = path + ": " + read.error;
    return read;
}

} // namespace keywright::positions
