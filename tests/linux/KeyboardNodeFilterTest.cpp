#include "platform/linux/KeyboardNodeFilter.h"

#include "EvdevText.h"

#include <gtest/gtest.h>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace keywright::platform::lnx {
namespace {

// The filter's decisions for one keyboard node, written as event scripts.
//
//   open [KEY...]     a new filter for a node opened with these keys down
//   table [PP:UU...]  the key table from now on: hold back these usages (hex)
//   grab [KEY...]     the filter wants the grab; the node is grabbed and its
//                     key state read: with keys listed the grab must be given
//                     up again (they went down meanwhile), else it holds
//   nograb            the filter does not want the grab now
//   < NAME VALUE      an event from the node ("< SYN" is SYN_REPORT)
//   release           the node is let go
//   > report PP:UUUU down|up    what the last event or release must report,
//   > pass EVENTS               and pass through (EventsText form); no '>'
//                               lines after an event: it gives nothing.
//   > panic                     the last event completed the panic chord
class ScriptRunner {
  public:
    void Run(const std::string& script) {
        std::istringstream lines(script);
        std::string line;
        int number = 0;
        while (std::getline(lines, line)) {
            ++number;
            if (const auto hash = line.find('#'); hash != std::string::npos)
                line.erase(hash);
            std::istringstream words(line);
            std::string command;
            if (!(words >> command))
                continue;
            SCOPED_TRACE("script line " + std::to_string(number) + ": " + line);
            if (command == ">") {
                Expect(words);
                continue;
            }
            Check();
            if (command == "open")
                Open(words);
            else if (command == "table")
                Table(words);
            else if (command == "grab")
                Grab(words);
            else if (command == "nograb")
                EXPECT_FALSE(filter_->ShouldGrab());
            else if (command == "<")
                Event(words);
            else if (command == "release")
                Act(filter_->Release());
            else
                ADD_FAILURE() << "unknown script command " << command;
        }
        Check();
    }

  private:
    static std::uint16_t Code(const std::string& name) {
        const int code = libevdev_event_code_from_code_name(name.c_str());
        EXPECT_GE(code, 0) << name;
        return static_cast<std::uint16_t>(code);
    }

    static std::vector<std::uint16_t> Keys(std::istringstream& words) {
        std::vector<std::uint16_t> keys;
        std::string name;
        while (words >> name)
            keys.push_back(Code(name));
        return keys;
    }

    static std::string ReportText(const KeyReport& report) {
        char text[32];
        std::snprintf(text, sizeof text, "%02X:%04X %s", report.usage.page, report.usage.usage,
                      report.down ? "down" : "up");
        return text;
    }

    void Open(std::istringstream& words) {
        const std::vector<std::uint16_t> keys = Keys(words);
        filter_.emplace(keys);
    }

    void Table(std::istringstream& words) {
        std::vector<std::uint8_t> bytes;
        std::string entry;
        while (words >> entry) {
            const unsigned page = std::stoul(entry.substr(0, entry.find(':')), nullptr, 16);
            const unsigned usage = std::stoul(entry.substr(entry.find(':') + 1), nullptr, 16);
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(usage & 0xFF), 0,
                                       static_cast<std::uint8_t>(page), 0x02});
        }
        bytes.resize(1024, 0);
        table_ = *FilterKeyTable::Parse(bytes);
    }

    void Grab(std::istringstream& words) {
        ASSERT_TRUE(filter_->ShouldGrab());
        const std::vector<std::uint16_t> keysDown = Keys(words);
        EXPECT_EQ(filter_->ConfirmGrab(keysDown), keysDown.empty());
        EXPECT_EQ(filter_->Grabbed(), keysDown.empty());
    }

    void Event(std::istringstream& words) {
        std::string name;
        std::string value = "0";
        words >> name >> value;
        EvdevEvent event{EV_SYN, SYN_REPORT, 0};
        if (name != "SYN") {
            event.type =
                static_cast<std::uint16_t>(libevdev_event_type_from_code_name(name.c_str()));
            event.code = Code(name);
            event.value = static_cast<std::int32_t>(std::stol(value, nullptr, 0));
        }
        Act(filter_->Handle(event, table_));
    }

    void Act(NodeFilterOutput out) {
        actual_ = std::move(out);
        expectedReports_.clear();
        expectedPass_.clear();
        expectedPanic_ = false;
    }

    void Expect(std::istringstream& words) {
        std::string kind;
        words >> kind;
        std::string rest;
        std::getline(words >> std::ws, rest);
        rest.erase(rest.find_last_not_of(" \t") + 1);
        if (kind == "panic")
            expectedPanic_ = true;
        else if (kind == "report")
            expectedReports_.push_back(rest);
        else if (kind == "pass")
            expectedPass_ += (expectedPass_.empty() ? "" : ", ") + rest;
        else
            ADD_FAILURE() << "unknown expectation " << kind;
    }

    // Compares what the last action gave with the '>' lines after it.
    void Check() {
        if (!actual_)
            return;
        std::vector<std::string> reports;
        for (const KeyReport& report : actual_->reports)
            reports.push_back(ReportText(report));
        EXPECT_EQ(reports, expectedReports_);
        EXPECT_EQ(EventsText(actual_->passThrough), expectedPass_);
        EXPECT_EQ(actual_->panic, expectedPanic_);
        actual_.reset();
    }

    std::optional<KeyboardNodeFilter> filter_;
    FilterKeyTable table_;
    std::optional<NodeFilterOutput> actual_;
    std::vector<std::string> expectedReports_;
    std::string expectedPass_;
    bool expectedPanic_ = false;
};

struct Script {
    const char* name;
    const char* text;
};

TEST(KeyboardNodeFilter, Scripts) {
    const Script scripts[] = {
        {"keys held when the node opens: no grab, nothing decided, until they are up", R"(
            open KEY_LEFTSHIFT
            nograb
            < MSC_SCAN 0x70004
            < KEY_A 1
            < SYN
            nograb
            < KEY_A 0
            < SYN
            nograb
            < KEY_LEFTSHIFT 0
            < SYN
            grab
            < MSC_SCAN 0x70004
            < KEY_A 1
            > report 07:0004 down
            < SYN
            > pass MSC_SCAN 0x70004, KEY_A 1, SYN
        )"},
        {"the panic chord counts the physical keys, whatever the table holds back", R"(
            table 07:2A 07:29 07:28
            open
            grab
            < KEY_A 1
            > report 07:0004 down
            < SYN
            > pass KEY_A 1, SYN
            < KEY_BACKSPACE 1
            > report 07:002A down
            < KEY_ESC 1
            > report 07:0029 down
            < SYN
            < KEY_ESC 0            # two of the three: nothing special
            > report 07:0029 up
            < KEY_ESC 1
            > report 07:0029 down
            < SYN
            < KEY_ENTER 1
            > panic
            < SYN
            release                # what the caller does: every held key goes up
            > report 07:0029 up
            > report 07:002A up
            > report 07:0004 up
            > pass KEY_A 0, SYN
        )"},
        {"a key that goes down while the grab is taken gives it up again", R"(
            open
            grab KEY_A
            nograb
            < KEY_A 1
            < SYN
            nograb
            < KEY_A 0
            < SYN
            grab
        )"},
        {"keys of the table are reported and held back; the others reported and passed", R"(
            table 07:04 0C:E9
            open
            grab
            < MSC_SCAN 0x70004
            < KEY_A 1
            > report 07:0004 down
            < SYN
            < MSC_SCAN 0x70005
            < KEY_B 1
            > report 07:0005 down
            < SYN
            > pass MSC_SCAN 0x70005, KEY_B 1, SYN
            < MSC_SCAN 0x70004
            < KEY_A 0
            > report 07:0004 up
            < SYN
            < MSC_SCAN 0x70005
            < KEY_B 0
            > report 07:0005 up
            < SYN
            > pass MSC_SCAN 0x70005, KEY_B 0, SYN
        )"},
        {"autorepeat is never reported, and passed through only for keys passed through", R"(
            table 07:04
            open
            grab
            < KEY_A 1
            > report 07:0004 down
            < KEY_B 1
            > report 07:0005 down
            < SYN
            > pass KEY_B 1, SYN
            < KEY_A 2
            < SYN
            < KEY_B 2
            < SYN
            > pass KEY_B 2, SYN
            < KEY_C 2  # never seen going down
            < SYN
        )"},
        {"several keys in one frame keep their order and their scan codes", R"(
            table 07:05
            open
            grab
            < MSC_SCAN 0x700e1
            < KEY_LEFTSHIFT 1
            > report 07:00E1 down
            < MSC_SCAN 0x70005
            < KEY_B 1
            > report 07:0005 down
            < MSC_SCAN 0x70004
            < KEY_A 1
            > report 07:0004 down
            < SYN
            > pass MSC_SCAN 0x700e1, KEY_LEFTSHIFT 1, MSC_SCAN 0x70004, KEY_A 1, SYN
        )"},
        {"the usage comes from hid-input's scan code, else from the table", R"(
            table 0C:E9 0C:92
            open
            grab
            < MSC_SCAN 0xc00e9
            < KEY_VOLUMEUP 1
            > report 0C:00E9 down
            < SYN
            < MSC_SCAN 0x7007f  # the keyboard page's own Mute
            < KEY_MUTE 1
            > report 07:007F down
            < SYN
            > pass MSC_SCAN 0x7007f, KEY_MUTE 1, SYN
            < KEY_MUTE 0  # no scan: the table's usage for KEY_MUTE is consumer 0xE2,
            > report 07:007F up  # but an up always reports its down's usage
            < SYN
            > pass KEY_MUTE 0, SYN
            < KEY_MUTE 1
            > report 0C:00E2 down
            < SYN
            > pass KEY_MUTE 1, SYN
            < MSC_SCAN 0xc0192  # Calculator: the table holds its low byte 0x92
            < KEY_CALC 1
            > report 0C:0192 down
            < SYN
            < MSC_SCAN 0x10082  # System Sleep
            < KEY_SLEEP 1
            > report 01:0082 down
            < SYN
            > pass MSC_SCAN 0x10082, KEY_SLEEP 1, SYN
            < MSC_SCAN 0xff000003  # a vendor page: the table decides
            < KEY_F13 1
            > report 07:0068 down
            < SYN
            > pass MSC_SCAN 0xff000003, KEY_F13 1, SYN
        )"},
        {"a key goes up the way it went down, whatever the table says by then", R"(
            open
            grab
            < KEY_A 1
            > report 07:0004 down
            < SYN
            > pass KEY_A 1, SYN
            table 07:04
            < KEY_A 0
            > report 07:0004 up
            < SYN
            > pass KEY_A 0, SYN
            < KEY_A 1
            > report 07:0004 down
            < SYN
            table
            < KEY_A 0
            > report 07:0004 up
            < SYN
        )"},
        {"an up whose down came before the grab, and a second down, are dropped", R"(
            open
            grab
            < KEY_A 0
            < SYN
            < KEY_B 1
            > report 07:0005 down
            < KEY_B 1
            < SYN
            > pass KEY_B 1, SYN
        )"},
        {"mouse buttons and movement pass through unreported; LEDs and sound are dropped", R"(
            table 07:04
            open
            grab
            < MSC_SCAN 0x90001
            < BTN_LEFT 1
            < REL_X 5
            < REL_WHEEL -1
            < SYN
            > pass MSC_SCAN 0x90001, BTN_LEFT 1, REL_X 5, REL_WHEEL -1, SYN
            < LED_CAPSL 1
            < SND_BELL 1
            < SYN
            < MSC_TIMESTAMP 1000
            < SYN
            > pass MSC_TIMESTAMP 1000, SYN
            < BTN_LEFT 0
            < SYN
            > pass BTN_LEFT 0, SYN
        )"},
        {"SYN_DROPPED discards the frame being built", R"(
            open
            grab
            < KEY_A 1
            > report 07:0004 down
            < SYN_DROPPED 0
            < SYN
            < KEY_A 0
            > report 07:0004 up
            < SYN
            > pass KEY_A 0, SYN
        )"},
        {"release: every key passed down is released, every key reported down reported up", R"(
            table 07:05
            open
            grab
            < KEY_A 1
            > report 07:0004 down
            < KEY_LEFTSHIFT 1
            > report 07:00E1 down
            < KEY_B 1
            > report 07:0005 down
            < SYN
            > pass KEY_A 1, KEY_LEFTSHIFT 1, SYN
            < KEY_C 1  # down, but its frame is not finished: never passed on
            > report 07:0006 down
            release
            > report 07:0004 up
            > report 07:00E1 up
            > report 07:0006 up
            > report 07:0005 up
            > pass KEY_A 0, KEY_LEFTSHIFT 0, KEY_C 0, SYN
            release
        )"},
        {"SYN_DROPPED keeps the ups of keys down on the pass-through device", R"(
            open
            grab
            < KEY_A 1
            > report 07:0004 down
            < SYN
            > pass KEY_A 1, SYN
            < KEY_B 1
            > report 07:0005 down
            < KEY_A 0
            > report 07:0004 up
            < SYN_DROPPED 0
            < SYN
            > pass KEY_A 0, SYN
        )"},
        {"a node let go in the middle of a frame still releases what that frame let up", R"(
            open
            grab
            < KEY_A 1
            > report 07:0004 down
            < SYN
            > pass KEY_A 1, SYN
            < KEY_B 1
            > report 07:0005 down
            < KEY_A 0  # its frame never ends: the node is gone
            > report 07:0004 up
            release
            > report 07:0005 up
            > pass KEY_A 0, KEY_B 0, SYN
        )"},
        {"release of a node that holds nothing gives nothing", R"(
            open
            grab
            < KEY_A 1
            > report 07:0004 down
            < SYN
            > pass KEY_A 1, SYN
            < KEY_A 0
            > report 07:0004 up
            < SYN
            > pass KEY_A 0, SYN
            release
        )"},
        {"nothing is decided before the grab, even for keys of the table", R"(
            table 07:04
            open KEY_Z
            < KEY_A 1
            < SYN
            < KEY_A 0
            < SYN
            release
        )"},
    };
    for (const Script& script : scripts) {
        SCOPED_TRACE(script.name);
        ScriptRunner runner;
        runner.Run(script.text);
    }
}

TEST(FilterKeyTable, AcceptsWholeEntriesUpToTheFullTable) {
    struct Case {
        std::size_t length;
        bool accepted;
    };
    const Case cases[] = {{0, true},  {4, true},    {256, true},   {1024, true},  {3, false},
                          {5, false}, {255, false}, {1023, false}, {1028, false}, {4096, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::vector<std::uint8_t> bytes(c.length, 0);
        const auto table = FilterKeyTable::Parse(bytes);
        EXPECT_EQ(table.has_value(), c.accepted);
        if (table) {
            EXPECT_TRUE(table->Empty());
        }
    }
}

TEST(FilterKeyTable, HoldsBackByPageAndLowByte) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> entry; // one entry, placed last of a full table
        HidUsage usage;
        bool held;
    };
    const Case cases[] = {
        {"Left Shift", {0xE1, 0x00, 0x07, 0x02}, {0x07, 0xE1}, true},
        {"another key", {0xE1, 0x00, 0x07, 0x02}, {0x07, 0xE0}, false},
        {"another page", {0xE1, 0x00, 0x07, 0x02}, {0x0C, 0xE1}, false},
        {"Volume Up", {0xE9, 0x00, 0x0C, 0x02}, {0x0C, 0xE9}, true},
        {"a usage above 0xFF by its low byte", {0x92, 0x00, 0x0C, 0x02}, {0x0C, 0x192}, true},
        {"the entry's high usage byte is not looked at",
         {0xE9, 0x01, 0x0C, 0x02},
         {0x0C, 0xE9},
         true},
        {"without flag 0x02", {0x04, 0x00, 0x07, 0x01}, {0x07, 0x04}, false},
        {"flag 0x02 among others", {0x04, 0x00, 0x07, 0x03}, {0x07, 0x04}, true},
        {"system control", {0x81, 0x00, 0x01, 0x02}, {0x01, 0x81}, true},
        {"a page beyond a byte never matches", {0x04, 0x00, 0x07, 0x02}, {0x0107, 0x04}, false},
        {"zero padding holds nothing", {0x00, 0x00, 0x00, 0x00}, {0x00, 0x00}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> bytes(1020, 0);
        bytes.insert(bytes.end(), c.entry.begin(), c.entry.end());
        const auto table = FilterKeyTable::Parse(bytes);
        ASSERT_TRUE(table.has_value());
        EXPECT_EQ(table->HoldsBack(c.usage), c.held);
    }
}

} // namespace
} // namespace keywright::platform::lnx
