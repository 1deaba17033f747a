#include "settings/LedEffectTable.h"

#include "base/NumberText.h"

#include <algorithm>

namespace keywright {
namespace {

std::uint8_t LowByte(const pugi::xml_node& node, const char* name, std::uint32_t missing) {
    const std::uint32_t value =
        HasAttribute(node, name) ? ParseUnsignedDecimal(AttributeText(node, name)) : missing;
    return static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

void LedEffectTable::ApplyDefaults() {
    entries_.fill(LedEffectEntry{});
    current_ = kNoEffect;
}

bool LedEffectTable::Load(const std::filesystem::path& path) {
    if (path.empty())
        return false;
    pugi::xml_document doc;
    if (file_.Load(path, doc) != LoadStatus::Ok) {
        ApplyDefaults();
        Save();
        return false;
    }

    const pugi::xml_node effect = doc.child("effect");
    // "sel" is unsigned: "-1" reads as 4294967295 and is out of range too.
    const std::uint32_t sel = ParseUnsignedDecimal(AttributeText(effect, "sel"));
    current_ = sel > static_cast<std::uint32_t>(kNoEffect) ? 0 : static_cast<std::int32_t>(sel);

    // Children fill entries in order, whatever their names; entries the file
    // does not list keep what they had.
    size_t index = 0;
    for (const pugi::xml_node item : effect.children()) {
        if (index == entries_.size())
            break;
        if (item.type() != pugi::node_element)
            continue;
        LedEffectEntry& entry = entries_[index++];
        entry.speed = std::min<std::uint8_t>(LowByte(item, "speed", 0), 4);
        entry.brightness = std::min<std::uint8_t>(LowByte(item, "brightness", 0), 4);
        entry.direction = LowByte(item, "deriction", 0);
        if (entry.direction > 1)
            entry.direction = 0;
        entry.selection = LowByte(item, "selection", 1);
    }
    return true;
}

bool LedEffectTable::Save() {
    pugi::xml_document doc;
    pugi::xml_node effect = doc.append_child("effect");
    AppendNumber(effect, "sel", current_);
    for (const LedEffectEntry& entry : entries_) {
        pugi::xml_node item = effect.append_child("item");
        AppendNumber(item, "speed", entry.speed);
        AppendNumber(item, "brightness", entry.brightness);
        AppendNumber(item, "deriction", entry.direction);
        AppendNumber(item, "selection", entry.selection);
    }
    return file_.Save(doc);
}

LedEffectEntry* LedEffectTable::GetEntry(int index) {
    const int resolved = index == -1 ? current_ : index;
    return resolved >= 0 && resolved < kEntryCount ? &entries_[resolved] : nullptr;
}

const LedEffectEntry* LedEffectTable::GetEntry(int index) const {
    return const_cast<LedEffectTable*>(this)->GetEntry(index);
}

void LedEffectTable::SetCurrent(std::int32_t index) {
    current_ = index;
    Save();
}

void LedEffectTable::Reset() {
    ApplyDefaults();
    Save();
}

} // namespace keywright
