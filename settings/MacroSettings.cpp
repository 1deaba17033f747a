#include "settings/MacroSettings.h"

#include "base/NumberText.h"

#include <algorithm>

namespace keywright {
namespace {

std::int32_t UnsignedField(const pugi::xml_node& node, const char* name) {
    return static_cast<std::int32_t>(ParseUnsignedDecimal(AttributeText(node, name)));
}

} // namespace

bool MacroSettings::Load(const std::filesystem::path& path) {
    if (path.empty())
        return false;
    pugi::xml_document doc;
    if (file_.Load(path, doc) != LoadStatus::Ok)
        return false;

    groups_.clear();
    for (const pugi::xml_node groupNode : doc.child("macro").children()) {
        if (groupNode.type() != pugi::node_element)
            continue;
        MacroGroup& newGroup = groups_.emplace_back();
        newGroup.name = AttributeText(groupNode, "name");
        for (const pugi::xml_node itemNode : groupNode.children()) {
            if (itemNode.type() != pugi::node_element)
                continue;
            newGroup.items.push_back({ParseUnsignedDecimal(AttributeText(itemNode, "code")),
                                      ParseUnsignedDecimal(AttributeText(itemNode, "state")),
                                      ParseUnsignedDecimal(AttributeText(itemNode, "delay")),
                                      std::string(AttributeText(itemNode, "name"))});
        }
    }

    // A missing attribute reads as 0, not as the default; without a "config"
    // element the choices keep their values.
    if (const pugi::xml_node config = doc.child("config")) {
        play = UnsignedField(config, "play");
        type = UnsignedField(config, "type");
        repeat = UnsignedField(config, "repeat");
        delay = UnsignedField(config, "delay");
        mode = UnsignedField(config, "mode");
        media = UnsignedField(config, "media");
        function = UnsignedField(config, "function");
        group = UnsignedField(config, "group");
        skcode = ParseUnsignedDecimal(AttributeText(config, "skcode"));
    }
    return true;
}

bool MacroSettings::Save() {
    pugi::xml_document doc;
    pugi::xml_node config = doc.append_child("config");
    AppendNumber(config, "type", type);
    AppendNumber(config, "repeat", repeat);
    AppendNumber(config, "mode", mode);
    AppendNumber(config, "delay", delay);
    AppendNumber(config, "media", media);
    AppendNumber(config, "function", function);
    AppendNumber(config, "group", group);
    AppendNumber(config, "skcode", static_cast<std::int32_t>(skcode));
    AppendNumber(config, "play", play);

    pugi::xml_node macro = doc.append_child("macro");
    for (const MacroGroup& g : groups_) {
        pugi::xml_node groupNode = macro.append_child("group");
        AppendText(groupNode, "name", g.name);
        for (const MacroItem& item : g.items) {
            pugi::xml_node itemNode = groupNode.append_child("item");
            AppendNumber(itemNode, "code", item.code);
            AppendNumber(itemNode, "state", item.state);
            AppendNumber(itemNode, "delay", item.delay);
            AppendText(itemNode, "name", item.name);
        }
    }
    return file_.Save(doc);
}

void MacroSettings::Reset() {
    type = 0;
    repeat = 1;
    delay = 10;
    mode = 0;
    media = 0;
    function = 0;
    skcode = 0;
    group = 0;
    playValue = 0;
    play = 0;
    recording = 0;
    groups_.clear();
}

void MacroSettings::AddGroup() {
    auto taken = [this](const std::string& name) {
        return std::any_of(groups_.begin(), groups_.end(),
                           [&](const MacroGroup& g) { return g.name == name; });
    };
    std::size_t n = groups_.size();
    while (taken("Group " + std::to_string(n)))
        ++n;
    groups_.push_back({"Group " + std::to_string(n), {}});
    Save();
}

bool MacroSettings::AppendGroups(std::vector<MacroGroup> groups) {
    groups_.insert(groups_.end(), std::make_move_iterator(groups.begin()),
                   std::make_move_iterator(groups.end()));
    return Save();
}

bool MacroSettings::DeleteGroup(std::size_t index) {
    if (index >= groups_.size())
        return false;
    groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(index));
    Save();
    return true;
}

bool MacroSettings::RenameGroup(std::size_t index, const std::string& name) {
    if (index >= groups_.size() || groups_[index].name == name)
        return false;
    groups_[index].name = name;
    Save();
    return true;
}

MacroGroup* MacroSettings::GetGroup(int index) {
    const auto resolved = static_cast<std::uint32_t>(index < 0 ? group : index);
    return resolved < groups_.size() ? &groups_[resolved] : nullptr;
}

} // namespace keywright
