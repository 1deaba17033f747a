// keywright-ctl run as a user runs it, on copies of whole settings folders.

#include "support/TempFolder.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>

namespace keywright {
namespace {

using test::ReadFixture;
using test::TempFolder;

struct CtlRun {
    int exitCode = -1;
    std::string out;
};

// Runs keywright-ctl with `args`; standard error goes to the test log.
CtlRun Ctl(const std::string& args) {
    CtlRun run;
    FILE* pipe = ::popen((std::string(KEYWRIGHT_CTL) + " " + args).c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

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

// The 64 bytes of a virtual-device packet as the simulated device prints them.
std::string PacketLine(std::initializer_list<unsigned> head) {
    std::string line = "sim: deed:feed write";
    char hex[4];
    for (size_t i = 0; i < 64; ++i) {
        std::snprintf(hex, sizeof hex, " %02x", i < head.size() ? head.begin()[i] : 0u);
        line += hex;
    }
    return line + "\n";
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

} // namespace
} // namespace keywright
