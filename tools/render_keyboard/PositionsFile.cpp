#include "render_keyboard/PositionsFile.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>
#include <utility>

namespace keywright::art {

namespace {

std::string Without(std::string_view text, std::string_view drop) {
    std::string kept;
    for (char c : text) {
        if (drop.find(c) == std::string_view::npos) {
            kept.push_back(c);
        }
    }
    return kept;
}

// As atoi: leading blanks, an optional sign, then digits; anything else ends
// the number, and no digits at all read as 0.
int Decimal(const char* text) {
    return static_cast<int>(std::strtol(text, nullptr, 10));
}

void ReadRect(const char* text, PositionKey& key) {
    const std::string compact = Without(text, " \t\r\n");
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    // Fields that cannot be read keep 0, as in the keyboard map.
    std::sscanf(compact.c_str(), "%d,%d,%d,%d", &left, &top, &width, &height);
    key.left = left;
    key.top = top;
    key.right = left + width;
    key.bottom = top + height;
}

std::uint32_t ReadColor(const char* text) {
    const std::string compact = Without(text, " \t\r\n#");
    unsigned int value = 0;
    std::sscanf(compact.c_str(), "%x", &value);
    return value;
}

} // namespace

PositionsParse ParsePositions(std::string_view xml) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed = doc.load_buffer(xml.data(), xml.size());
    if (!parsed) {
        return {std::nullopt, std::string("not XML: ") + parsed.description() + " at offset " +
                                  std::to_string(parsed.offset)};
    }
    const pugi::xml_node root = doc.child("positions");
    if (!root) {
        return {std::nullopt, "no \"positions\" element"};
    }

    PositionsFile file;
    file.width = Decimal(root.attribute("width").value());
    file.height = Decimal(root.attribute("height").value());
    if (file.width <= 0 || file.height <= 0) {
        return {std::nullopt, "\"positions\" needs a positive \"width\" and \"height\""};
    }

    for (const pugi::xml_node element : root.children()) {
        if (element.type() != pugi::node_element) {
            continue;
        }
        PositionKey key;
        if (const pugi::xml_attribute id = element.attribute("id")) {
            key.id = Decimal(id.value());
        }
        if (const pugi::xml_attribute va = element.attribute("va")) {
            key.va = Decimal(va.value());
        }
        key.name = element.attribute("name").value();
        if (const pugi::xml_attribute color = element.attribute("color"); color && *color.value()) {
            key.color = ReadColor(color.value());
        }
        if (const pugi::xml_attribute rect = element.attribute("rect"); rect && *rect.value()) {
            ReadRect(rect.value(), key);
        }
        file.keys.push_back(std::move(key));
    }
    return {std::move(file), {}};
}

PositionsParse LoadPositions(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return {std::nullopt, "cannot open " + path};
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!in.good() && !in.eof()) {
        return {std::nullopt, "cannot read " + path};
    }
    PositionsParse result = ParsePositions(text.str());
    if (!result.file) {
        result.error = path + ": " + result.error;
    }
    return result;
}

} // namespace keywright::art
