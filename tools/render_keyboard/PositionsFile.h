#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keywright::art {

// One key of the positions file, read with the keyboard map's own rules so the
// pictures are drawn where the widget will look for the keys.
struct PositionKey {
    int id = -1; // HID usage id ("id")
    int va = -1; // HID usage page ("va")
    std::string name;
    // Pixels of the 100 % picture; right and bottom are exclusive.
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    std::uint32_t color = 0x00FFFFFF; // 0xAABBGGRR, invisible unless "color" is given

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

// Parses the text of a positions file. Every child element of the top-level
// "positions" element is a key, whatever its name: "id" and "va" are decimal
// (-1 when absent), "rect" is "left,top,width,height" with blanks ignored,
// "color" is hexadecimal with blanks and '#' ignored. Fails when the text is
// not XML, has no "positions" element, or the root lacks a positive width and
// height (the pictures need a size).
PositionsParse ParsePositions(std::string_view xml);

// Reads and parses a file; a file that cannot be read is an error.
PositionsParse LoadPositions(const std::string& path);

} // namespace keywright::art
