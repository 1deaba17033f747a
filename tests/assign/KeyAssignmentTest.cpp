#include "assign/KeyAssignment.h"

#include "support/TempFolder.h"

#include <functional>
#include <gtest/gtest.h>

namespace keywright {
namespace {

constexpr KeyCode kF1 = 0x7003A;
constexpr KeyCode kA = 0x70004;
constexpr KeyCode kB = 0x70005;
constexpr KeyCode kVolumeUp = 0xC00E9;

MacroItem Step(KeyCode code, std::uint32_t state, std::uint32_t delay, std::string name = {}) {
    return MacroItem{code, state, delay, std::move(name)};
}

// Macro settings with two groups (the second empty) and config lists as
// config.xml gives them.
class KeyAssignmentTest : public ::testing::Test {
  protected:
    KeyAssignmentTest() : settings(SaveMode::ReadOnly) {
        settings.Load(folder / "macro.xml"); // missing: remembers the path only
        settings.AddGroup();
        settings.AddGroup();
        settings.GetGroup(0)->name = "Greeting";
        settings.GetGroup(0)->items = {Step(kA, 1, 80, "A"), Step(kA, 0, 120, "A")};
        settings.GetGroup(1)->name = "Nothing yet";
    }

    AssignSources Sources() const { return AssignSources{settings, mediaKeys, combinations}; }
    AssignResult Make() const { return MakeKeyRecord(kF1, "F1", Sources()); }

    test::TempFolder folder;
    MacroSettings settings;
    std::vector<FunKeyEntry> mediaKeys = {{"Mute", "", "", 0xC00E2},
                                          {"Volume Up", "", "", kVolumeUp}};
    std::vector<CombKeyEntry> combinations = {
        {"Copy", {{static_cast<std::int32_t>(kA), 0}, {static_cast<std::int32_t>(kB), 20}}},
        {"Broken", {}},
        {"Odd delays",
         {{static_cast<std::int32_t>(kA), -5}, {static_cast<std::int32_t>(kB), 2147483647}}},
    };
};

struct KindCase {
    const char* what;
    std::int32_t type;
    std::function<void(MacroSettings&)> choose;
    KeyRecord expected; // code, type and name are filled in by the test
};

TEST_F(KeyAssignmentTest, EachKindMakesItsRecord) {
    const KindCase cases[] = {
        {"macro, counted playback",
         kAssignMacro,
         [](MacroSettings& s) {
             s.group = 0;
             s.playValue = kPlayRepeat;
             s.repeat = 3;
         },
         {.code = 0,
          .type = 0,
          .play = 2,
          .repeat = 3,
          .name = {},
          .group = "Greeting",
          .steps = {Step(kA, 1, 80, "A"), Step(kA, 0, 120, "A")}}},
        {"macro, while held, empty group",
         kAssignMacro,
         [](MacroSettings& s) {
             s.group = 1;
             s.playValue = kPlayWhileHeld;
             s.repeat = 1;
         },
         {.code = 0,
          .type = 0,
          .play = 3,
          .repeat = 1,
          .name = {},
          .group = "Nothing yet",
          .steps = {}}},
        {"macro, repeat below 1 plays once",
         kAssignMacro,
         [](MacroSettings& s) {
             s.group = 0;
             s.playValue = kPlayOnce;
             s.repeat = 0;
         },
         {.code = 0,
          .type = 0,
          .play = 8,
          .repeat = 1,
          .name = {},
          .group = "Greeting",
          .steps = {Step(kA, 1, 80, "A"), Step(kA, 0, 120, "A")}}},
        {"single key in the catalogue",
         kAssignSingleKey,
         [](MacroSettings& s) { s.skcode = kB; },
         {.code = 0,
          .type = 0,
          .play = 1,
          .repeat = 1,
          .name = {},
          .group = "B",
          .steps = {Step(kB, 0, 0)}}},
        {"single key outside the catalogue",
         kAssignSingleKey,
         [](MacroSettings& s) { s.skcode = 0x7FFFF; },
         {.code = 0,
          .type = 0,
          .play = 1,
          .repeat = 1,
          .name = {},
          .group = "",
          .steps = {Step(0x7FFFF, 0, 0)}}},
        {"media key",
         kAssignMediaKey,
         [](MacroSettings& s) { s.media = 1; },
         {.code = 0,
          .type = 0,
          .play = 1,
          .repeat = 1,
          .name = {},
          .group = "Volume Up",
          .steps = {Step(kVolumeUp, 0, 0)}}},
        {"function key: downs with delay + 1, then ups in the same order",
         kAssignFunctionKey,
         [](MacroSettings& s) { s.function = 0; },
         {.code = 0,
          .type = 0,
          .play = 2,
          .repeat = 1,
          .name = {},
          .group = "Copy",
          .steps = {Step(kA, 1, 1), Step(kB, 1, 21), Step(kA, 0, 0), Step(kB, 0, 20)}}},
        {"function key: a negative delay is 0, the largest does not overflow",
         kAssignFunctionKey,
         [](MacroSettings& s) { s.function = 2; },
         {.code = 0,
          .type = 0,
          .play = 2,
          .repeat = 1,
          .name = {},
          .group = "Odd delays",
          .steps = {Step(kA, 1, 1), Step(kB, 1, 2147483648u), Step(kA, 0, 0),
                    Step(kB, 0, 2147483647u)}}},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.what);
        c.choose(settings);
        settings.type = c.type;
        KeyRecord expected = c.expected;
        expected.code = kF1;
        expected.type = c.type;
        expected.name = "F1";
        const AssignResult result = Make();
        EXPECT_EQ(result.problem, AssignProblem::None);
        ASSERT_TRUE(result.record);
        EXPECT_EQ(*result.record, expected);
    }
}

TEST_F(KeyAssignmentTest, AChoiceThatNamesNothingMakesNoRecord) {
    const struct {
        const char* what;
        std::function<void(MacroSettings&)> choose;
        AssignProblem problem;
    } cases[] = {
        {"no group selected",
         [](MacroSettings& s) { s.type = kAssignMacro, s.group = -1, s.playValue = 2; },
         AssignProblem::NoGroup},
        {"group past the end",
         [](MacroSettings& s) { s.type = kAssignMacro, s.group = 2, s.playValue = 2; },
         AssignProblem::NoGroup},
        {"play value that does nothing",
         [](MacroSettings& s) { s.type = kAssignMacro, s.group = 0, s.playValue = 0; },
         AssignProblem::NotAPlaybackMode},
        {"play value that makes one key",
         [](MacroSettings& s) { s.type = kAssignMacro, s.group = 0, s.playValue = 1; },
         AssignProblem::NotAPlaybackMode},
        {"play value 7",
         [](MacroSettings& s) { s.type = kAssignMacro, s.group = 0, s.playValue = 7; },
         AssignProblem::NotAPlaybackMode},
        {"no key captured", [](MacroSettings& s) { s.type = kAssignSingleKey, s.skcode = 0; },
         AssignProblem::NoSingleKey},
        {"media index negative", [](MacroSettings& s) { s.type = kAssignMediaKey, s.media = -1; },
         AssignProblem::NoMediaKey},
        {"media index past the end",
         [](MacroSettings& s) { s.type = kAssignMediaKey, s.media = 2; },
         AssignProblem::NoMediaKey},
        {"combination past the end",
         [](MacroSettings& s) { s.type = kAssignFunctionKey, s.function = 3; },
         AssignProblem::NoCombination},
        {"combination without keys",
         [](MacroSettings& s) { s.type = kAssignFunctionKey, s.function = 1; },
         AssignProblem::EmptyCombination},
        {"unknown kind", [](MacroSettings& s) { s.type = 4; }, AssignProblem::UnknownKind},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.choose(settings);
        const AssignResult result = Make();
        EXPECT_FALSE(result.record);
        EXPECT_EQ(result.problem, c.problem);
    }
}

TEST_F(KeyAssignmentTest, MediaAndCombinationListsMayBeEmpty) {
    mediaKeys.clear();
    combinations.clear();
    settings.type = kAssignMediaKey;
    settings.media = 0;
    EXPECT_EQ(Make().problem, AssignProblem::NoMediaKey);
    settings.type = kAssignFunctionKey;
    settings.function = 0;
    EXPECT_EQ(Make().problem, AssignProblem::NoCombination);
}

// A store on a file in the temporary folder.
class KeyAssignmentStoreTest : public KeyAssignmentTest {
  protected:
    KeyAssignmentStoreTest() { store.Load(folder / "record.xml"); }

    std::vector<KeyRecord> Records() const { return *store.Snapshot(); }
    std::vector<KeyRecord> OnDisk() const {
        RecordStore reread(SaveMode::ReadOnly);
        EXPECT_TRUE(reread.Load(folder / "record.xml"));
        return *reread.Snapshot();
    }
    static KeyRecord Other(KeyCode code, std::string group) {
        return KeyRecord{code, kAssignSingleKey, 1, 1, "other", std::move(group), {Step(kA, 0, 0)}};
    }

    RecordStore store;
};

TEST_F(KeyAssignmentStoreTest, AssigningReplacesWhateverTheKeyHadInPlaceAndSaves) {
    store.Put(Other(kA, "first"));
    store.Put(Other(kF1, "old"));
    store.Put(Other(kB, "last"));
    settings.type = kAssignFunctionKey;
    settings.function = 0;

    const StoreResult result = AssignKey(store, kF1, "F1", Sources());
    EXPECT_TRUE(result.saved);
    ASSERT_TRUE(result.made.record);
    const std::vector<KeyRecord> expected = {Other(kA, "first"), *result.made.record,
                                             Other(kB, "last")};
    EXPECT_EQ(Records(), expected);
    EXPECT_EQ(OnDisk(), expected);
}

TEST_F(KeyAssignmentStoreTest, AssigningAKeyWithSeveralRecordsLeavesOnlyTheNewOne) {
    store.Put(Other(kF1, "one"));
    store.Put(Other(kA, "between"));
    // The store's own Put never makes a duplicate; a hand-edited file may
    // hold one, and the store loads it as it is.
    std::string text = folder.Read("record.xml");
    const std::string close = "</record>";
    const auto first = text.find("<record ");
    ASSERT_NE(first, std::string::npos);
    const auto firstEnd = text.find(close, first) + close.size();
    text.insert(text.rfind(close) + close.size(), text.substr(first, firstEnd - first));
    folder.Write("record.xml", text);
    ASSERT_TRUE(store.Load(folder / "record.xml"));
    ASSERT_EQ(Records().size(), 3u);

    settings.type = kAssignSingleKey;
    settings.skcode = kB;
    const StoreResult result = AssignKey(store, kF1, "F1", Sources());
    ASSERT_TRUE(result.made.record);
    EXPECT_EQ(Records(), (std::vector<KeyRecord>{Other(kA, "between"), *result.made.record}));
    EXPECT_EQ(OnDisk(), Records());
}

TEST_F(KeyAssignmentStoreTest, AChoiceWithoutRecordChangesNothing) {
    store.Put(Other(kF1, "kept"));
    const std::string before = folder.Read("record.xml");
    settings.type = kAssignMacro;
    settings.group = 9;
    const StoreResult result = AssignKey(store, kF1, "F1", Sources());
    EXPECT_FALSE(result.made.record);
    EXPECT_FALSE(result.saved);
    EXPECT_EQ(Records(), (std::vector<KeyRecord>{Other(kF1, "kept")}));
    EXPECT_EQ(folder.Read("record.xml"), before);
}

TEST_F(KeyAssignmentStoreTest, UnassigningRemovesEveryRecordOfTheKeyAndSavesAlways) {
    store.Put(Other(kA, "kept"));
    // Without a record: the file is rewritten unchanged.
    const std::string before = folder.Read("record.xml");
    EXPECT_TRUE(UnassignKey(store, kF1));
    EXPECT_EQ(folder.Read("record.xml"), before);

    store.Put(Other(kF1, "gone"));
    EXPECT_TRUE(UnassignKey(store, kF1));
    EXPECT_EQ(Records(), (std::vector<KeyRecord>{Other(kA, "kept")}));
    EXPECT_EQ(folder.Read("record.xml"), before);
}

} // namespace
} // namespace keywright
