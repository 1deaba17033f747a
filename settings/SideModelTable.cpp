#include "settings/SideModelTable.h"

#include "base/NumberText.h"

namespace keywright {

SideModelTable::SideModelTable(SaveMode mode) : file_(mode) {
    ApplyDefaults();
}

void SideModelTable::ApplyDefaults() {
    for (int i = 0; i < kEntryCount; ++i) {
        SideModelEntry& entry = entries_[i];
        entry.SetLevel(i < 3 ? 4 : 7);
        entry.reserved = static_cast<std::uint8_t>((entry.reserved & ~0x0E) | 0x01);
    }
    current_ = 0;
}

bool SideModelTable::Load(const std::filesystem::path& path) {
    if (path.empty())
        return false;
    pugi::xml_document doc;
    if (file_.Load(path, doc) != LoadStatus::Ok) {
        Reset();
        return false;
    }

    const pugi::xml_node effect = doc.child("effect");
    const std::uint32_t sel = ParseUnsignedDecimal(AttributeText(effect, "sel"));
    current_ = sel > static_cast<std::uint32_t>(kEntryCount) ? 0 : static_cast<std::int32_t>(sel);

    int index = 0;
    for (const pugi::xml_node item : effect.children()) {
        if (index == kEntryCount)
            break;
        if (item.type() != pugi::node_element)
            continue;
        const auto level = static_cast<std::uint8_t>(
            ParseUnsignedDecimal(AttributeText(item, "brightness")) & 0x0F);
        entries_[index++].SetLevel(level > 7 ? 0 : level);
    }
    return true;
}

bool SideModelTable::Save() {
    pugi::xml_document doc;
    pugi::xml_node effect = doc.append_child("effect");
    AppendNumber(effect, "sel", current_);
    for (const SideModelEntry& entry : entries_) {
        pugi::xml_node item = effect.append_child("item");
        AppendNumber(item, "brightness", entry.Level());
    }
    return file_.Save(doc);
}

SideModelEntry* SideModelTable::GetEntry(int index) {
    const int resolved = index == -1 ? current_ : index;
    return resolved >= 0 && resolved < kEntryCount ? &entries_[resolved] : nullptr;
}

const SideModelEntry* SideModelTable::GetEntry(int index) const {
    return const_cast<SideModelTable*>(this)->GetEntry(index);
}

void SideModelTable::SetCurrent(std::int32_t index) {
    current_ = index;
    Save();
}

void SideModelTable::Reset() {
    ApplyDefaults();
    Save();
}

} // namespace keywright
