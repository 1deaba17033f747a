#pragma once

#include "base/KeyCode.h"
#include "settings/AppConfig.h"
#include "settings/KeyRecord.h"
#include "settings/MacroSettings.h"
#include "settings/RecordStore.h"

#include <optional>
#include <span>
#include <string>

namespace keywright {

// The rules that turn a user's choice for one key into that key's record.
// The assignment dialog and keywright-ctl both go through here, so the same
// choice gives the same record.xml bytes whichever made it.

// Why a choice gives no record. The dialog stores nothing then; the command
// line reports it.
enum class AssignProblem {
    None,
    NoGroup,          // the selected macro group does not exist
    NotAPlaybackMode, // a macro's play value would make the key do nothing or act as one key
    NoSingleKey,      // no target key was captured
    NoMediaKey,       // the media index is outside the config's list
    NoCombination,    // the combination index is outside the config's list
    EmptyCombination, // the combination has no keys
    UnknownKind,      // the kind is none of the four AssignKinds
};

// What the choice is made from: the remembered choice fields and groups of the
// macro settings, and config.xml's media keys and combinations.
struct AssignSources {
    const MacroSettings& settings;
    std::span<const FunKeyEntry> mediaKeys;
    std::span<const CombKeyEntry> combinations;
};

struct AssignResult {
    std::optional<KeyRecord> record;
    AssignProblem problem = AssignProblem::None;
};

// The record `settings.type` asks for, for the physical key `code` whose name
// on the keyboard map is `keyName`; no record and the reason when the choice
// names nothing usable. Reads nothing else and writes nothing.
//
// Macro: play = settings.playValue (one of the modes that start a playback),
// repeat = settings.repeat but at least 1, steps = the group's steps.
// Single key and media key: play 1 (the key acts as the step's code), one up
// step. Function key: play 2, repeat 1, a down step per key with its delay + 1,
// then an up step per key with its delay; a negative delay counts as 0.
AssignResult MakeKeyRecord(KeyCode code, const std::string& keyName, const AssignSources& sources);

// Makes the record and stores it in place of any record of the same key, then
// saves record.xml. `saved` is false when the file could not be written (the
// store holds the record anyway). Nothing changes when no record results.
struct StoreResult {
    AssignResult made;
    bool saved = false;
};
StoreResult AssignKey(RecordStore& store, KeyCode code, const std::string& keyName,
                      const AssignSources& sources);

// Removes every record of `code` (a hand-edited file may hold several) and
// saves record.xml, also when there was none. False when the file could not be
// written.
bool UnassignKey(RecordStore& store, KeyCode code);

} // namespace keywright
