#include "settings/RecordStore.h"

#include "support/LogCheck.h"
#include "support/TempFolder.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace keywright {
namespace {

using test::ReadFixture;
using test::TempFolder;

KeyRecord SingleKey(KeyCode code, KeyCode target, const std::string& name,
                    const std::string& group) {
    return {code, kAssignSingleKey, 1, 1, name, group, {{target, 0, 0, ""}}};
}

std::vector<KeyCode> Codes(const RecordStore& store) {
    std::vector<KeyCode> codes;
    const auto records = store.Snapshot();
    for (const KeyRecord& r : *records)
        codes.push_back(r.code);
    return codes;
}

TEST(RecordStore, ReadsEveryTopLevelElementAsARecord) {
    const struct {
        const char* what;
        std::string xml;
        std::vector<KeyCode> codes;
    } cases[] = {
        {"two records in file order",
         R"(<record code="70029" /><record code="70004" />)",
         {0x70029, 0x70004}},
        {"no element at all", R"(<?xml version="1.0"?>)", {}},
        {"an empty file", "", {}},
        {"only a comment", "<!-- nothing -->\n", {}},
        {"code with prefix", R"(<record code="0x70004" />)", {0x70004}},
        {"code that is not hex", R"(<record code="zz" />)", {0}},
        {"code missing", R"(<record />)", {0}},
        {"code saturates", R"(<record code="ffffffffff" />)", {0x7FFFFFFF}},
        {"negative code", R"(<record code="-1" />)", {0xFFFFFFFF}},
        {"duplicates are kept", R"(<record code="4" /><anything code="4" />)", {4, 4}},
        {"wrong-case attribute", R"(<record CODE="4" />)", {0}},
        {"top-level text is not a record",
         R"(<record code="4" />stray text<record code="5" />)",
         {4, 5}},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        folder.Write("record.xml", c.xml);
        RecordStore store;
        EXPECT_TRUE(store.Load(folder / "record.xml"));
        EXPECT_EQ(Codes(store), c.codes);
        EXPECT_EQ(folder.Read("record.xml"), c.xml); // loading never writes
    }
}

TEST(RecordStore, ReadsEveryFieldOfARecord) {
    TempFolder folder;
    folder.Write("record.xml", R"(<?xml version="1.0"?>
<record code="70029" play="-3" type="4294967295" repeat="7" name="Esc &amp; co" group="A">
	<item code="70004" state="1" delay="12" name="A" />
	<step code="0x700e0" />
	<!-- comments are not steps -->
</record>)");
    RecordStore store;
    ASSERT_TRUE(store.Load(folder / "record.xml"));
    const KeyRecord expected{
        0x70029, -1, -3, 7, "Esc & co", "A", {{0x70004, 1, 12, "A"}, {0x700E0, 0, 0, ""}}};
    ASSERT_EQ(store.Snapshot()->size(), 1u);
    EXPECT_EQ(store.Snapshot()->front(), expected);
}

TEST(RecordStore, UnusableFileLeavesTheListAsItWas) {
    test::ExpectLog malformed("not well-formed XML");
    TempFolder folder;
    folder.Write("record.xml", R"(<record code="1" />)");
    RecordStore store;
    ASSERT_TRUE(store.Load(folder / "record.xml"));

    const std::string broken[] = {
        R"(<record code="2" ><item code="3" )",
        std::string("\xFF\xFE<\0r\0/\0>\0", 10), // UTF-16 read as UTF-8
        "just some text",
    };
    for (const std::string& xml : broken) {
        SCOPED_TRACE(xml);
        folder.Write("record.xml", xml);
        EXPECT_FALSE(store.Load(folder / "record.xml"));
        EXPECT_EQ(Codes(store), (std::vector<KeyCode>{1}));
        EXPECT_EQ(store.File().Status(), LoadStatus::Malformed);
    }
    EXPECT_FALSE(store.Load(folder / "missing.xml"));
    EXPECT_EQ(Codes(store), (std::vector<KeyCode>{1}));
    EXPECT_FALSE(store.Load({}));
}

TEST(RecordStore, SavesTheDocumentedFormat) {
    TempFolder folder;
    RecordStore store;
    store.Load(folder / "record.xml");
    store.Put(SingleKey(0x70029, 0x70004, "Esc", "A"));
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(folder.Read("record.xml"), ReadFixture("record.example.xml"));

    store.Clear();
    EXPECT_EQ(folder.Read("record.xml"), "<?xml version=\"1.0\"?>\n");
    RecordStore loaded;
    EXPECT_TRUE(loaded.Load(folder / "record.xml"));
    EXPECT_TRUE(loaded.Snapshot()->empty());
}

TEST(RecordStore, SaveThenLoadReproducesEveryField) {
    TempFolder folder;
    RecordStore store;
    store.Load(folder / "record.xml");
    store.Put({0x70004,
               kAssignMacro,
               6,
               3,
               "A",
               "Group 0",
               {{0x700E0, 1, 10, "Left Control"}, {0xC00CD, 0, 4294967295u, "Play \"Pause\""}}});
    store.Put({0x7003A, kAssignFunctionKey, -2147483647 - 1, -1, "F1 <&>", "\xE5\xAE\x8F", {}});
    // Codes are read as signed hex, which saturates at 0x7fffffff: codes with
    // the top bit set must be written with a minus sign to come back.
    store.Put({0x7FFFFFFF, kAssignMediaKey, 1, 1, "", "", {{0, 0, 0, ""}}});
    store.Put({0xFFFFFFFE, kAssignMacro, 2, 1, "", "", {{0x80000000, 1, 0, ""}}});
    store.Save();
    const std::string saved = folder.Read("record.xml");
    EXPECT_NE(saved.find(R"(<record code="-2" )"), std::string::npos) << saved;
    EXPECT_NE(saved.find(R"(<item code="-80000000" )"), std::string::npos) << saved;

    RecordStore loaded;
    ASSERT_TRUE(loaded.Load(folder / "record.xml"));
    EXPECT_EQ(*loaded.Snapshot(), *store.Snapshot());
}

TEST(RecordStore, PutReplacesInPlaceOrAppendsAndSaves) {
    TempFolder folder;
    RecordStore store;
    store.Load(folder / "record.xml");
    store.Put(SingleKey(1, 0x70004, "one", "A"));
    store.Put(SingleKey(2, 0x70005, "two", "B"));
    store.Put(SingleKey(3, 0x70006, "three", "C"));
    EXPECT_NE(folder.Read("record.xml").find("three"), std::string::npos); // appends save

    const std::string before = folder.Read("record.xml");
    KeyRecord changed = SingleKey(2, 0x70007, "two", "D");
    changed.type = kAssignMacro;
    store.Put(changed);
    EXPECT_EQ(Codes(store), (std::vector<KeyCode>{1, 2, 3}));
    EXPECT_EQ((*store.Snapshot())[1], changed);
    EXPECT_EQ((*store.Snapshot())[0], SingleKey(1, 0x70004, "one", "A"));
    EXPECT_EQ(folder.Read("record.xml"), before); // a replacement waits for Save
    store.Save();
    EXPECT_NE(folder.Read("record.xml").find("group=\"D\""), std::string::npos);
}

TEST(RecordStore, RemoveErasesTheFirstMatchOnly) {
    TempFolder folder;
    folder.Write(
        "record.xml",
        R"(<record code="1" /><record code="2" name="first" /><record code="3" /><record code="2" name="second" />)");
    RecordStore store;
    ASSERT_TRUE(store.Load(folder / "record.xml"));
    EXPECT_TRUE(store.Remove(2));
    EXPECT_EQ(Codes(store), (std::vector<KeyCode>{1, 3, 2}));
    EXPECT_EQ(store.Snapshot()->back().name, "second");
    EXPECT_FALSE(store.Remove(9));
    EXPECT_EQ(Codes(store), (std::vector<KeyCode>{1, 3, 2}));
    EXPECT_EQ(store.Find(2)->name, "second");
    EXPECT_FALSE(store.Find(9).has_value());
}

TEST(RecordStore, UnreadableFileIsKeptBeforeTheFirstSave) {
    test::ExpectLog malformed("not well-formed XML");
    test::ExpectLog kept("settings file: kept the unreadable");
    TempFolder folder;
    const std::string broken =
        R"(<record code="70029" play="1" type="1" repeat="1" name="Esc" group="A">)";
    folder.Write("record.xml", broken);
    RecordStore store;
    EXPECT_FALSE(store.Load(folder / "record.xml"));
    store.Put(SingleKey(4, 5, "x", "y"));
    EXPECT_EQ(folder.Read("record.xml.bad"), broken);
    EXPECT_EQ(folder.List(), (std::vector<std::string>{"record.xml", "record.xml.bad"}));
}

TEST(RecordStore, ReadersSeeWholeListsWhileTheListChanges) {
    RecordStore store; // no path: changes are not saved
    std::atomic<bool> done{false};
    std::atomic<long> walks{0};
    std::thread reader([&] {
        while (!done) {
            // Every record the writer makes has as many steps as its code says.
            const auto records = store.Snapshot();
            for (const KeyRecord& record : *records)
                ASSERT_EQ(record.steps.size(), record.code % 7);
            ++walks;
        }
    });
    for (KeyCode code = 1; code < 3000; ++code) {
        KeyRecord record{code % 50, 0, 0, 0, "", "", {}};
        record.steps.resize(record.code % 7);
        store.Put(record);
        if (code % 3 == 0)
            store.Remove((code * 7) % 50);
    }
    done = true;
    reader.join();
    EXPECT_GT(walks, 0);
}

} // namespace
} // namespace keywright
