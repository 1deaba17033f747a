#include "render_keyboard/PositionsFile.h"

#include <utility>

namespace keywright::art {
namespace {

PositionsParse FromRead(positions::PositionsRead read) {
    if (!read.document)
        return {std::nullopt, std::move(read.error)};
    const positions::PositionsDocument& document = *read.document;
    if (document.width <= 0 || document.height <= 0)
        return {std::nullopt, "\"positions\" needs a positive \"width\" and \"height\""};

    PositionsFile file;
    file.width = document.width;
    file.height = document.height;
    file.keys.reserve(document.keys.size());
    for (const positions::KeyPosition& row : document.keys) {
        PositionKey& key = file.keys.emplace_back();
        key.id = row.id;
        key.va = row.va;
        key.name = row.name;
        key.left = row.left;
        key.top = row.top;
        key.right = row.right;
        key.bottom = row.bottom;
        key.color = row.color.value_or(PositionKey::kDefaultColor);
    }
    return {std::move(file), {}};
}

} // namespace

PositionsParse ParsePositions(std::string_view xml) {
    return FromRead(positions::ReadPositions(xml));
}

PositionsParse LoadPositions(const std::string& path) {
    positions::PositionsRead read = positions::ReadPositionsFile(path);
    // The reader names the path in its own errors; the size check is ours.
    const bool readable = read.document.has_value();
    PositionsParse parsed = FromRead(std::move(read));
    if (!parsed.file && readable)
        parsed.error = path + ": " + parsed.error;
    return parsed;
}

} // namespace keywright::art
