// keywright-ctl run as a user runs it, on copies of whole settings folders.

#include "CtlFixture.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string_view>

namespace keywright {
namespace {

const char* const kFiles[] = {"config.xml", "macro.xml", "record.xml", "ledeffect.xml",
                              "sidemodel.xml"};

void CopyHandwritten(const TempFolder& folder) {
    for (const char* name : kFiles)
        folder.Write(name, ReadFixture(std::string("handwritten/") + name));
}

TEST(KeywrightCtl, DumpShowsHandWrittenFilesAsLoadedAndWritesNothing) {
    TempFolder folder;
    CopyHandwritten(folder);
    const CtlRun run = Ctl("settings dump --dir " + folder.Path().string());
    ASSERT_EQ(run.exitCode, 0);
    const auto json = nlohmann::json::parse(run.out);

    EXPECT_EQ(json["appConfig"]["chinese"], 1);
    EXPECT_EQ(json["appConfig"]["usbProduct"], 0x9FF6);
    EXPECT_EQ(json["appConfig"]["funKeys"][1]["code"], 0xC00E2);
    EXPECT_EQ(json["appConfig"]["combKeys"][0]["pairs"][1]["delay"], 5);
    EXPECT_EQ(json["macroSettings"]["repeat"], 3);
    EXPECT_EQ(json["macroSettings"]["media"], 0); // missing attribute reads 0
    EXPECT_EQ(json["macroSettings"]["groups"][0]["items"][0]["delay"], 120);
    EXPECT_EQ(json["recordStore"]["records"][0]["code"], 0x70029);
    EXPECT_EQ(json["recordStore"]["records"][1]["steps"][0]["code"], 0xC00CD);
    EXPECT_EQ(json["ledEffectTable"]["current"], 3);
    EXPECT_EQ(json["ledEffectTable"]["entries"][0]["speed"], 4);
    EXPECT_EQ(json["ledEffectTable"]["entries"][1]["selection"], 1);
    EXPECT_EQ(json["sideModelTable"]["current"], 12);
    EXPECT_EQ(json["sideModelTable"]["entries"][0]["level"], 1);

    for (const char* name : kFiles)
        EXPECT_EQ(folder.Read(name), ReadFixture(std::string("handwritten/") + name)) << name;
}

TEST(KeywrightCtl, DumpOfAnEmptyFolderShowsDefaultsAndCreatesNothing) {
    TempFolder folder;
    const CtlRun run = Ctl("settings dump --dir " + folder.Path().string());
    ASSERT_EQ(run.exitCode, 0);
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["macroSettings"]["delay"], 10);
    EXPECT_EQ(json["ledEffectTable"]["current"], 20);
    EXPECT_EQ(json["sideModelTable"]["entries"][11]["level"], 7);
    EXPECT_TRUE(folder.List().empty());
}

TEST(KeywrightCtl, NormalizeRewritesHandWrittenFilesCanonically) {
    TempFolder folder;
    CopyHandwritten(folder);
    ASSERT_EQ(Ctl("settings normalize --dir " + folder.Path().string()).exitCode, 0);
    for (const char* name : {"macro.xml", "record.xml", "ledeffect.xml", "sidemodel.xml"})
        EXPECT_EQ(folder.Read(name), ReadFixture(std::string("normalized/") + name)) << name;
    EXPECT_EQ(folder.Read("config.xml"), ReadFixture("handwritten/config.xml"));

    // Normalizing again changes nothing.
    ASSERT_EQ(Ctl("settings normalize --dir " + folder.Path().string()).exitCode, 0);
    EXPECT_EQ(folder.Read("macro.xml"), ReadFixture("normalized/macro.xml"));
}

TEST(KeywrightCtl, NormalizeLeavesAFileItCannotReadUntouched) {
    TempFolder folder;
    folder.Write("record.xml", "<record code=\"70029\"");
    const CtlRun run = Ctl("settings normalize --dir " + folder.Path().string());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("record.xml: left unchanged"), std::string::npos);
    EXPECT_EQ(folder.Read("record.xml"), "<record code=\"70029\"");
    EXPECT_EQ(folder.List(),
              (std::vector<std::string>{"ledeffect.xml", "record.xml", "sidemodel.xml"}));
}

TEST(KeywrightCtl, SimulatedKeyboardCommands) {
    TempFolder folder;
    const std::string dir = " --dir " + folder.Path().string();
    const CtlRun version = Ctl("--simulate version" + dir);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "sim: 1a2c:9ff6 set-feature 07 f1 00 00 00 00 00 00\n"
                           "sim: 1a2c:9ff6 get-feature 07 01 02 00 00 00 00 00\n"
                           "1.2\n");
    EXPECT_TRUE(Ctl("--simulate --sim-firmware 200 version" + dir).out.ends_with("\n0.200\n"));

    const CtlRun effect =
        Ctl("--simulate effect 5 --brightness 4 --speed 2 --direction 1 --selection 3" + dir);
    EXPECT_EQ(effect.exitCode, 0);
    EXPECT_EQ(effect.out, "sim: 1a2c:9ff6 set-feature 07 ff ff 05 04 02 00 00\n");
    // Stored as the lighting page stores it; replay sends the whole entry.
    EXPECT_NE(folder.Read("ledeffect.xml").find("<effect sel=\"5\">"), std::string::npos);
    EXPECT_NE(folder.Read("ledeffect.xml")
                  .find("speed=\"2\" brightness=\"4\" deriction=\"1\" selection=\"3\""),
              std::string::npos);
    EXPECT_EQ(Ctl("--simulate replay" + dir).out,
              "sim: 1a2c:9ff6 set-feature 07 ff ff 05 04 02 01 03\n");

    EXPECT_EQ(Ctl("--simulate side 3 --level 5" + dir).out,
              "sim: 1a2c:9ff6 set-feature 07 ff ff 20 00 00 53 00\n");
    EXPECT_NE(folder.Read("sidemodel.xml").find("<effect sel=\"3\">"), std::string::npos);
    EXPECT_EQ(Ctl("--simulate factory-reset" + dir).out,
              "sim: 1a2c:9ff6 write 07 f0 aa 00 00 00 00 00\n");

    const CtlRun list = Ctl("--simulate list" + dir);
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_NE(list.out.find("row 1  1a2c:9ff6  \\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#"),
              std::string::npos);
    EXPECT_NE(list.out.find("firmware 1.2\n"), std::string::npos);
}

TEST(KeywrightCtl, SimulatedSendTapsEachKeyOnTheVirtualDevice) {
    TempFolder folder;
    const std::string dir = " --dir " + folder.Path().string();
    const CtlRun a = Ctl("--simulate send 0x70004" + dir);
    EXPECT_EQ(a.exitCode, 0);
    EXPECT_EQ(a.out, PacketLine({0x05, 0x01, 0x00, 0x10}) + PacketLine({0x05, 0x01}));

    // A media key goes to the consumer report; codes without a prefix are hex too.
    const CtlRun media = Ctl("--simulate send c00cd 0x70005" + dir);
    EXPECT_EQ(media.exitCode, 0);
    EXPECT_EQ(media.out, PacketLine({0x05, 0x03, 0xcd}) + PacketLine({0x05, 0x03}) +
                             PacketLine({0x05, 0x01, 0x00, 0x20}) + PacketLine({0x05, 0x01}));

    // A code the device has no report for: nothing sent, and said so.
    const CtlRun mouse = Ctl("--simulate send 0x10001" + dir + " 2>/dev/null");
    EXPECT_EQ(mouse.exitCode, 1);
    EXPECT_EQ(mouse.out, "");
}

TEST(KeywrightCtl, SimulatedKeysPrintsTheScriptedKeysWithTheirNames) {
    TempFolder folder;
    const CtlRun run = Ctl("--simulate keys --dir " + folder.Path().string());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "sim: filter ioctl 00226008\n"
                       "sim: filter ioctl 0022600c\n"
                       "sim: filter ioctl 00226044\n"
                       "down 07:0004 A\n"
                       "sim: filter ioctl 00226044\n"
                       "up 07:0004 A\n"
                       "sim: filter ioctl 00226044\n"
                       "down 0c:00cd Play Pause\n"
                       "sim: filter ioctl 00226044\n"
                       "up 0c:00cd Play Pause\n"
                       "sim: filter ioctl 00226044\n"
                       "sim: filter ioctl 0022a000 (256 zero bytes)\n");
}

TEST(KeywrightCtl, BadArgumentsExitWithUsage) {
    for (const char* args : {"",
                             "settings",
                             "settings dump --bogus",
                             "frobnicate",
                             "settings dump --dir /nonexistent/folder",
                             "--simulate effect 20",
                             "--simulate effect",
                             "--simulate effect 1 --speed 5",
                             "--simulate effect 1 --speed",
                             "--simulate effect 1 --colour 3",
                             "--simulate side 12",
                             "--simulate side 1 --level x",
                             "--simulate version now",
                             "--sim-firmware 70000 version",
                             "--simulate keys now",
                             "--simulate send",
                             "--simulate send zz",
                             "--simulate send 0",
                             "--simulate send 0x",
                             "--simulate send 0x70004 -1",
                             "--simulate send 0x100000000"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(Ctl(std::string(args) + " 2>/dev/null").exitCode, 2);
    }
}

const char* const kFourKinds = R"(<?xml version="1.0"?>
<record code="7003a" play="3" type="0" repeat="2" name="F1" group="Spam">
	<item code="70004" state="1" delay="120" name="A" />
	<item code="70004" state="0" delay="0" name="A" />
</record>
<record code="7003b" play="1" type="1" repeat="1" name="F2" group="B">
	<item code="70005" state="0" delay="0" name="" />
</record>
<record code="7003c" play="1" type="2" repeat="1" name="F3" group="Mute">
	<item code="c00e2" state="0" delay="0" name="" />
</record>
<record code="7003d" play="2" type="3" repeat="1" name="F4" group="Copy">
	<item code="700e0" state="1" delay="1" name="" />
	<item code="70006" state="1" delay="6" name="" />
	<item code="700e0" state="0" delay="0" name="" />
	<item code="70006" state="0" delay="5" name="" />
</record>
)";

TEST_F(AssignCtl, EachKindWritesItsRecord) {
    // Names are matched ignoring case; a key may also be given by code.
    EXPECT_EQ(Run("assign F1 --macro spam --play 3 --repeat 2").exitCode, 0);
    EXPECT_EQ(Run("assign 0x7003b --key b").exitCode, 0);
    EXPECT_EQ(Run("assign F3 --media Mute").exitCode, 0);
    EXPECT_EQ(Run("assign f4 --combo Copy").exitCode, 0);
    EXPECT_EQ(folder.Read("record.xml"), kFourKinds);

    const CtlRun list = Run("assignments");
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "F1 (0x7003a): macro \"Spam\", play 3, repeat 2\n"
                        "F2 (0x7003b): key \"B\"\n"
                        "F3 (0x7003c): media \"Mute\"\n"
                        "F4 (0x7003d): combo \"Copy\"\n");
    const CtlRun json = Run("assignments --json");
    EXPECT_EQ(json.exitCode, 0);
    const auto records = nlohmann::json::parse(json.out);
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[3]["steps"][1]["delay"], 6);
    EXPECT_EQ(records[0]["group"], "Spam");
    // Listing writes nothing.
    EXPECT_EQ(folder.Read("record.xml"), kFourKinds);
}

TEST_F(AssignCtl, AMacroPlaysOnceForEachPressUnlessToldOtherwise) {
    EXPECT_EQ(Run("assign A --macro Spam").exitCode, 0);
    EXPECT_NE(folder.Read("record.xml").find("play=\"2\" type=\"0\" repeat=\"1\" name=\"A\""),
              std::string::npos);
}

TEST_F(AssignCtl, ReassigningReplacesInPlaceAndUnassigningRemoves) {
    ASSERT_EQ(Run("assign F1 --key A").exitCode, 0);
    ASSERT_EQ(Run("assign F2 --key B").exitCode, 0);
    ASSERT_EQ(Run("assign F1 --media Play").exitCode, 0);
    EXPECT_EQ(Run("assignments").out, "F1 (0x7003a): media \"Play\"\n"
                                      "F2 (0x7003b): key \"B\"\n");
    ASSERT_EQ(Run("unassign F1").exitCode, 0);
    EXPECT_EQ(folder.Read("record.xml"),
              "<?xml version=\"1.0\"?>\n"
              "<record code=\"7003b\" play=\"1\" type=\"1\" repeat=\"1\" name=\"F2\" group=\"B\">\n"
              "\t<item code=\"70005\" state=\"0\" delay=\"0\" name=\"\" />\n"
              "</record>\n");

    const CtlRun again = Run("unassign F1");
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.out, "F1: not assigned\n");
}

TEST_F(AssignCtl, BadArgumentsChangeNothing) {
    ASSERT_EQ(Run("assign F1 --key A").exitCode, 0);
    const std::string before = folder.Read("record.xml");
    const char* const cases[] = {
        "assign",
        "assign F1",
        "assign NoSuchKey --key A",
        "assign F1 --key NoSuchKey",
        "assign F1 --key 0x0",
        "assign F1 --macro NoSuchGroup",
        "assign F1 --media NoSuchMedia",
        "assign F1 --combo NoSuchCombo",
        "assign F1 --macro Spam --play 0",
        "assign F1 --macro Spam --play 1",
        "assign F1 --macro Spam --play 7",
        "assign F1 --macro Spam --repeat 0",
        "assign F1 --macro Spam --repeat x",
        "assign F1 --key A --play 2",
        "assign F1 --key A --media Mute",
        "assign F1 --key",
        "assign F1 --colour red",
        "unassign",
        "unassign NoSuchKey",
        "unassign F1 F2",
        "assignments --yaml",
    };
    for (const char* args : cases) {
        SCOPED_TRACE(args);
        EXPECT_EQ(Run(args).exitCode, 2);
        EXPECT_EQ(folder.Read("record.xml"), before);
    }
    EXPECT_EQ(folder.List(), (std::vector<std::string>{"config.xml", "macro.xml", "record.xml"}));
}

TEST_F(AssignCtl, ARecordFileThatCannotBeReadIsNeverOverwritten) {
    const std::string broken = "<record code=\"70029\"";
    folder.Write("record.xml", broken);
    EXPECT_EQ(Run("assign F1 --key A").exitCode, 1);
    EXPECT_EQ(Run("unassign F1").exitCode, 1);
    EXPECT_EQ(Run("assignments").exitCode, 1);
    EXPECT_EQ(folder.Read("record.xml"), broken);
}

TEST_F(AssignCtl, AMacroFileThatCannotBeReadIsReported) {
    folder.Write("macro.xml", "<macro><group name=\"Spam\">");
    EXPECT_EQ(Run("assign F1 --macro Spam").exitCode, 1);
    EXPECT_FALSE(folder.Exists("record.xml"));
}

TEST_F(AssignCtl, WithoutRecordsNothingIsListedOrCreated) {
    EXPECT_EQ(Run("assignments").out, "");
    EXPECT_EQ(Run("assignments --json").out, "[]\n");
    EXPECT_EQ(Run("unassign F1").exitCode, 0);
    EXPECT_FALSE(folder.Exists("record.xml"));
}

// A group goes from one folder to another through a group file, and is then
// there as it was; what the other folder had stays.
TEST_F(AssignCtl, MacroGroupsTravelBetweenFoldersThroughAGroupFile) {
    TempFolder other;
    other.Write("macro.xml", "<macro><group name=\"Own\"/></macro>");
    const std::string file = (folder / "spam.xml").string();

    EXPECT_EQ(Run("macro list").out, "1: \"Spam\", 2 steps\n");
    ASSERT_EQ(Run("macro export spam " + file).exitCode, 0);
    const CtlRun imported = Ctl("macro import " + file + " --dir " + other.Path().string());
    ASSERT_EQ(imported.exitCode, 0);
    EXPECT_EQ(imported.out, "imported 2: \"Spam\"\n");
    EXPECT_EQ(Ctl("macro list --dir " + other.Path().string()).out,
              "1: \"Own\", 0 steps\n2: \"Spam\", 2 steps\n");

    // The imported group is assignable at once, and gives the record the
    // original folder gives.
    ASSERT_EQ(Run("assign F1 --macro Spam").exitCode, 0);
    ASSERT_EQ(Ctl("assign F1 --macro Spam --dir " + other.Path().string()).exitCode, 0);
    EXPECT_EQ(other.Read("record.xml"), folder.Read("record.xml"));

    // By number as `macro list` shows it, when no group has that name.
    ASSERT_EQ(Run("macro export 1 " + (folder / "one.xml").string()).exitCode, 0);
    EXPECT_EQ(folder.Read("one.xml"), folder.Read("spam.xml"));
}

TEST_F(AssignCtl, MacroCommandsRefuseWhatTheyCannotDoAndChangeNothing) {
    folder.Write("not-ours.xml", "<config type=\"1\"/>");
    const std::string macros = folder.Read("macro.xml");
    struct Case {
        std::string args;
        int exitCode;
    };
    const Case cases[] = {
        {"macro", 2},
        {"macro list extra", 2},
        {"macro export", 2},
        {"macro export NoSuchGroup " + (folder / "x.xml").string(), 2},
        {"macro export 2 " + (folder / "x.xml").string(), 2},
        {"macro export Spam " + (folder / "no-folder" / "x.xml").string(), 1},
        {"macro import " + (folder / "not-ours.xml").string(), 1},
        {"macro import " + (folder / "missing.xml").string(), 1},
        {"macro import", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(Ctl(c.args + " --dir " + folder.Path().string() + " 2>/dev/null").exitCode,
                  c.exitCode);
        EXPECT_EQ(folder.Read("macro.xml"), macros);
    }
    EXPECT_FALSE(folder.Exists("x.xml"));

    const std::string broken = "<macro><group name=\"Spam\">";
    folder.Write("macro.xml", broken);
    folder.Write("spam.xml",
                 "<keywright-macros version=\"1\"><group name=\"S\"/></keywright-macros>");
    for (const std::string& args :
         {std::string("macro list"), "macro export Spam " + (folder / "x.xml").string(),
          "macro import " + (folder / "spam.xml").string()}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(Ctl(args + " --dir " + folder.Path().string() + " 2>/dev/null").exitCode, 1);
    }
    EXPECT_EQ(folder.Read("macro.xml"), broken);
    EXPECT_FALSE(folder.Exists("x.xml"));
}

} // namespace
} // namespace keywright
