#include "assign/KeyAssignment.h"

#include "settings/KeyCatalogue.h"

#include <algorithm>

namespace keywright {
namespace {

AssignResult Fail(AssignProblem problem) {
    return AssignResult{std::nullopt, problem};
}

// The index as a position in a list of `size`, or nullopt when outside it.
std::optional<std::size_t> Index(std::int32_t index, std::size_t size) {
    if (index < 0 || static_cast<std::size_t>(index) >= size)
        return std::nullopt;
    return static_cast<std::size_t>(index);
}

// One up step of `target`: with play mode 1 the engine passes the physical
// key's downs and ups on as this code, so the state is not played as such.
std::vector<MacroItem> PassThroughStep(KeyCode target) {
    return {MacroItem{target, 0, 0, {}}};
}

std::size_t CountRecords(const RecordStore& store, KeyCode code) {
    const auto records = store.Snapshot();
    return static_cast<std::size_t>(std::count_if(
        records->begin(), records->end(), [&](const KeyRecord& r) { return r.code == code; }));
}

} // namespace

AssignResult MakeKeyRecord(KeyCode code, const std::string& keyName, const AssignSources& sources) {
    const MacroSettings& settings = sources.settings;
    KeyRecord record;
    record.code = code;
    record.type = settings.type;
    record.name = keyName;

    switch (settings.type) {
    case kAssignMacro: {
        const auto index = Index(settings.group, settings.GroupCount());
        if (!index)
            return Fail(AssignProblem::NoGroup);
        // Mode 0 would leave the key dead and mode 1 would make it one key:
        // neither plays the macro the user chose.
        if (!StartsPlayback(settings.playValue))
            return Fail(AssignProblem::NotAPlaybackMode);
        const MacroGroup& group = settings.Groups()[*index];
        record.play = settings.playValue;
        // A repeat count below 1 would make a counted playback play nothing.
        record.repeat = std::max(settings.repeat, 1);
        record.group = group.name;
        record.steps = group.items;
        break;
    }
    case kAssignSingleKey: {
        // Code 0 is "nothing captured"; as a record it would silence the key.
        if (settings.skcode == 0)
            return Fail(AssignProblem::NoSingleKey);
        record.play = kPlayPassThrough;
        record.repeat = 1;
        record.group = std::string(FindKeyInfo(settings.skcode).name);
        record.steps = PassThroughStep(settings.skcode);
        break;
    }
    case kAssignMediaKey: {
        const auto index = Index(settings.media, sources.mediaKeys.size());
        if (!index)
            return Fail(AssignProblem::NoMediaKey);
        const FunKeyEntry& entry = sources.mediaKeys[*index];
        record.play = kPlayPassThrough;
        record.repeat = 1;
        record.group = entry.name;
        record.steps = PassThroughStep(entry.code);
        break;
    }
    case kAssignFunctionKey: {
        const auto index = Index(settings.function, sources.combinations.size());
        if (!index)
            return Fail(AssignProblem::NoCombination);
        const CombKeyEntry& entry = sources.combinations[*index];
        if (entry.pairs.empty())
            return Fail(AssignProblem::EmptyCombination);
        record.play = kPlayRepeat;
        record.repeat = 1;
        record.group = entry.name;
        // A negative delay in config.xml would otherwise wrap to a wait of weeks.
        const auto delayOf = [](const CombKeyPair& pair) {
            return static_cast<std::uint32_t>(std::max(pair.delay, 0));
        };
        for (const CombKeyPair& pair : entry.pairs)
            record.steps.push_back(
                MacroItem{static_cast<KeyCode>(pair.code), 1, delayOf(pair) + 1, {}});
        for (const CombKeyPair& pair : entry.pairs)
            record.steps.push_back(
                MacroItem{static_cast<KeyCode>(pair.code), 0, delayOf(pair), {}});
        break;
    }
    default:
        return Fail(AssignProblem::UnknownKind);
    }
    return AssignResult{std::move(record), AssignProblem::None};
}

StoreResult AssignKey(RecordStore& store, KeyCode code, const std::string& keyName,
                      const AssignSources& sources) {
    StoreResult result{MakeKeyRecord(code, keyName, sources), false};
    if (!result.made.record)
        return result;
    // Put replaces only the first record of the key; a hand-edited file's
    // later duplicates would survive, so they all go and the new one is
    // appended.
    if (CountRecords(store, code) > 1) {
        while (store.Remove(code)) {
        }
    }
    store.Put(*result.made.record);
    result.saved = store.Save();
    return result;
}

bool UnassignKey(RecordStore& store, KeyCode code) {
    while (store.Remove(code)) {
    }
    return store.Save();
}

} // namespace keywright
