#pragma once

#include "positions/PositionsReader.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keywright::art {

// One key of the positions file as the pictures draw it: the reader's values
// (positions/PositionsReader.h), the keyboard map's own, with the colour
// settled.
struct PositionKey {
    int id = -1; // HID usage id ("id")
    int va = -1; // HID usage page ("va")
    std::string name;
    // Pixels of the 100 % picture; right and bottom are exclusive.
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    std::uint32_t color = kDefaultColor; // 0xAABBGGRR

    // White with alpha 0, as on the keyboard map: a key without "color"
    // shows nothing of its own.
    static constexpr std::uint32_t kDefaultColor = 0x00FFFFFF;

    // Never overflow: the reader gives right as left + width saturated (and
    // bottom likewise), so the difference is always an int.
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct PositionsFile {
    // Size of the 100 % picture: the "width" and "height" of the root element,
    // which the keyboard map ignores (it reads only the children).
    int width = 0;
    int height = 0;
    std::vector<PositionKey> keys; // in file order
};

struct PositionsParse {
    std::optional<PositionsFile> file; // empty on failure
    std::string error;                 // why, when file is empty
};

// The positions file as the pictures need it. Fails when the reader finds the
// text unusable, or when the root lacks a positive width and height (the
// pictures need a size).
PositionsParse ParsePositions(std::string_view xml);

// Reads and parses a file; a file that cannot be read is an error.
PositionsParse LoadPositions(const std::string& path);

} // namespace keywright::art
