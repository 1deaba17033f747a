#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keywright::positions {

// One key of the keyboard positions file (uires/xml/keyboard_positions.xml):
// any child element of the top-level "positions" element, whatever its name,
//
//   <key name="Escape" va="7" id="41" rect="24, 24, 40, 40" color="#80FF0000"/>
//
// read by the number rules of base/NumberText.h. The keyboard map finds keys
// by these values and the picture renderer draws them there, so both read the
// file through this one reader.
struct KeyPosition {
    // "id", "va": decimal as atoi reads it, saturating at the 32-bit limits;
    // 0 when present without a digit, -1 when missing.
    std::int32_t id = -1; // HID usage id
    std::int32_t va = -1; // HID usage page
    // "name": UTF-8; empty when missing.
    std::string name;
    // "rect": blanks removed, then "left,top,width,height" in decimal, each
    // number saturating at the 32-bit limits. Reading stops at the first
    // number that cannot be read; it and the ones after it are 0, so a key
    // without "rect" covers nothing. Right and bottom are exclusive (left +
    // width, top + height), saturating as well.
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    // "color": blanks and '#' removed, then hexadecimal 0xAABBGGRR (six
    // digits therefore give alpha 0). Empty when missing, empty or without a
    // digit: the user's own default applies.
    std::optional<std::uint32_t> color;
};

struct PositionsDocument {
    // The root's "width" and "height", decimal by the rule of "id"; 0 when
    // missing. The size of the keyboard picture at 100 %; the keyboard map
    // ignores them.
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<KeyPosition> keys; // in file order
};

struct PositionsRead {
    std::optional<PositionsDocument> document; // empty when the text is unusable
    std::string error;                         // for people: why, when empty
};

// Reads the text of a positions file. Unusable when it is not XML or has no
// top-level "positions" element; anything else reads as the rules above say.
PositionsRead ReadPositions(std::string_view xml);

// Reads the file at `path`; a file that cannot be read is unusable, and the
// error names the path.
PositionsRead ReadPositionsFile(const std::string& path);

} // namespace keywright::positions
