#include "platform/linux/LinuxProcessService.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace keywright::platform::lnx {
namespace {

namespace fs = std::filesystem;

TEST(SplitCommandLine, SplitsTheSimpleWay) {
    struct Case {
        const char* line;
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {"", {}},
        {"   \t ", {}},
        {" remove root\\vhidev", {"remove", "root\\vhidev"}},
        {" install \"C:\\Program Files\\Keywright\\driver\\x64\\vhidev.inf\" root\\vhidev",
         {"install", "C:\\Program Files\\Keywright\\driver\\x64\\vhidev.inf", "root\\vhidev"}},
        {"a\tb  c", {"a", "b", "c"}},
        {"\"\"", {""}},
        {"a \"\" b", {"a", "", "b"}},
        {"a\"b c\"d", {"ab cd"}},
        {"\"open ended", {"open ended"}},
        {"back\\\"slash", {"back\\slash"}},
        {"trailing ", {"trailing"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(SplitCommandLine(c.line), c.arguments);
    }
}

class LinuxProcessServiceTest : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/keywright-process-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    // A script that writes its arguments, one a line, to <script>.out, after
    // a short sleep, so a RunAndWait that does not wait finds no file.
    std::string WriteScript(const std::string& name) {
        const std::string path = folder_ + "/" + name;
        std::ofstream(path) << "#!/bin/sh\nsleep 0.2\nprintf '%s\\n' \"$@\" > \"$0.out\"\n";
        fs::permissions(path, fs::perms::owner_all);
        return path;
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string folder_;
};

TEST_F(LinuxProcessServiceTest, RunsWithTheSplitLineAndWaits) {
    LinuxProcessService processes;
    const std::string script = WriteScript("devcon with space");
    ASSERT_TRUE(processes.RunAndWait(script, " install \"" + folder_ +
                                                 "/driver\\x86\\vhidev.inf\" root\\vhidev"));
    EXPECT_EQ(Read(script + ".out"),
              "install\n" + folder_ + "/driver\\x86\\vhidev.inf\nroot\\vhidev\n");
}

TEST_F(LinuxProcessServiceTest, ReportsWhatDidNotStart) {
    LinuxProcessService processes;
    const std::string notExecutable = folder_ + "/plain";
    std::ofstream(notExecutable) << "#!/bin/sh\n";
    fs::permissions(notExecutable, fs::perms::owner_read | fs::perms::owner_write);
    const std::string programs[] = {"", folder_ + "/missing", folder_, notExecutable};
    for (const std::string& program : programs) {
        SCOPED_TRACE(program);
        // Root may execute any file that has an execute bit; this one has none.
        EXPECT_FALSE(processes.RunAndWait(program, " remove root\\vhidev"));
    }
    // Its exit status is not looked at: a program that fails still ran.
    EXPECT_TRUE(processes.RunAndWait("/bin/sh", " -c \"exit 3\""));
}

TEST_F(LinuxProcessServiceTest, FileAttributes) {
    LinuxProcessService processes;
    const std::string file = folder_ + "/vhidflt.inf";
    std::ofstream(file) << "x";
    fs::create_directory(folder_ + "/vhidev.inf");
    EXPECT_EQ(processes.FileAttributes(folder_), kFileAttributeDirectory);
    EXPECT_EQ(processes.FileAttributes(folder_ + "/vhidev.inf"), kFileAttributeDirectory);
    EXPECT_EQ(processes.FileAttributes(file), kFileAttributeNormal);
    EXPECT_EQ(processes.FileAttributes(folder_ + "/missing.inf"), std::nullopt);
    EXPECT_EQ(processes.FileAttributes(file + "/below-a-file"), std::nullopt);
    EXPECT_EQ(processes.FileAttributes(""), std::nullopt);
}

TEST(LinuxProcessService, ProgramFolderHoldsThisProgram) {
    LinuxProcessService processes;
    EXPECT_FALSE(processes.IsWow64());
    const std::string folder = processes.ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fs::exists(folder + "linux_tests")) << folder;
}

} // namespace
} // namespace keywright::platform::lnx
