#include "settings/RecordStore.h"

#include "base/NumberText.h"

#include <algorithm>

namespace keywright {
namespace {

// Key codes are signed base 16 here: "ffffffff" saturates at 0x7fffffff,
// "-1" reads as 0xffffffff.
KeyCode ReadCode(const pugi::xml_node& node) {
    return static_cast<KeyCode>(ParseSignedHex(AttributeText(node, "code")));
}

} // namespace

RecordStore::RecordStore(SaveMode mode)
    : file_(mode), records_(std::make_shared<const Records>()) {}

bool RecordStore::Load(const std::filesystem::path& path) {
    if (path.empty())
        return false;
    pugi::xml_document doc;
    if (file_.Load(path, doc) != LoadStatus::Ok)
        return false;

    // Every top-level element is one record and every element inside it one
    // step, whatever their names.
    auto records = std::make_shared<Records>();
    for (const pugi::xml_node node : doc.children()) {
        if (node.type() != pugi::node_element)
            continue;
        KeyRecord& record = records->emplace_back();
        record.code = ReadCode(node);
        record.type = static_cast<std::int32_t>(ParseUnsignedDecimal(AttributeText(node, "type")));
        record.play = ParseSignedDecimal(AttributeText(node, "play"));
        record.repeat =
            static_cast<std::int32_t>(ParseUnsignedDecimal(AttributeText(node, "repeat")));
        record.name = AttributeText(node, "name");
        record.group = AttributeText(node, "group");
        for (const pugi::xml_node step : node.children()) {
            if (step.type() != pugi::node_element)
                continue;
            record.steps.push_back({ReadCode(step),
                                    ParseUnsignedDecimal(AttributeText(step, "state")),
                                    ParseUnsignedDecimal(AttributeText(step, "delay")),
                                    std::string(AttributeText(step, "name"))});
        }
    }
    Publish(std::move(records));
    return true;
}

bool RecordStore::Save() const {
    const auto records = Snapshot();
    pugi::xml_document doc;
    for (const KeyRecord& record : *records) {
        pugi::xml_node node = doc.append_child("record");
        AppendSignedHex(node, "code", record.code);
        AppendNumber(node, "play", record.play);
        AppendNumber(node, "type", record.type);
        AppendNumber(node, "repeat", record.repeat);
        AppendText(node, "name", record.name);
        AppendText(node, "group", record.group);
        for (const MacroItem& step : record.steps) {
            pugi::xml_node item = node.append_child("item");
            AppendSignedHex(item, "code", step.code);
            AppendNumber(item, "state", step.state);
            AppendNumber(item, "delay", step.delay);
            AppendText(item, "name", step.name);
        }
    }
    return file_.Save(doc);
}

void RecordStore::Put(const KeyRecord& record) {
    auto records = std::make_shared<Records>(*Snapshot());
    const auto same = std::find_if(records->begin(), records->end(),
                                   [&](const KeyRecord& r) { return r.code == record.code; });
    if (same != records->end()) {
        *same = record;
        Publish(std::move(records));
        return;
    }
    records->push_back(record);
    Publish(std::move(records));
    Save();
}

bool RecordStore::Remove(KeyCode code) {
    auto records = std::make_shared<Records>(*Snapshot());
    const auto found = std::find_if(records->begin(), records->end(),
                                    [&](const KeyRecord& r) { return r.code == code; });
    if (found == records->end())
        return false;
    records->erase(found);
    Publish(std::move(records));
    return true;
}

void RecordStore::Clear() {
    Publish(std::make_shared<const Records>());
    Save();
}

std::shared_ptr<const RecordStore::Records> RecordStore::Snapshot() const {
    std::lock_guard lock(mutex_);
    return records_;
}

std::optional<KeyRecord> RecordStore::Find(KeyCode code) const {
    const auto records = Snapshot();
    const auto found = std::find_if(records->begin(), records->end(),
                                    [&](const KeyRecord& r) { return r.code == code; });
    if (found == records->end())
        return std::nullopt;
    return *found;
}

void RecordStore::Publish(std::shared_ptr<const Records> records) {
    std::lock_guard lock(mutex_);
    records_ = std::move(records);
}

} // namespace keywright
