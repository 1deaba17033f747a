// Settings files under faults from outside: the saving process killed at any
// moment, a full disk, a program folder that may not be written, a file that
// may not be read.
#include "SavedVersions.h"
#include "settings/LedEffectTable.h"
#include "settings/MacroSettings.h"
#include "settings/RecordStore.h"
#include "settings/SideModelTable.h"
#include "support/LogCheck.h"
#include "support/TempFolder.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace keywright {
namespace {

using test::SettingsKind;
using test::TempFolder;

// The helper process of these tests (SaveHelper.cpp).
struct Helper {
    pid_t pid = -1;
    int output = -1; // its standard output

    explicit Helper(const std::vector<std::string>& args) {
        std::vector<std::string> all{KEYWRIGHT_SAVE_HELPER};
        all.insert(all.end(), args.begin(), args.end());
        Start(all, environ, false);
    }

    // Any program, found on PATH, with this environment; standard error too
    // when `bothOutputs`.
    Helper(std::vector<std::string> all, char** environment, bool bothOutputs) {
        Start(all, environment, bothOutputs);
    }

    void Start(std::vector<std::string> all, char** environment, bool bothOutputs) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        if (bothOutputs)
            posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environment) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        output = fds[0];
    }
    ~Helper() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            Wait();
        }
        if (output >= 0)
            ::close(output);
    }

    // Reads up to `count` bytes of its output; fewer when it ended first.
    std::string Read(std::size_t count) {
        std::string bytes(count, '\0');
        std::size_t got = 0;
        while (got < count) {
            const ssize_t n = ::read(output, bytes.data() + got, count - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }

    int Wait() {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        pid = -1;
        return status;
    }
};

// Kill safety is about the process, not the disk: the page cache outlives a
// killed process. So the folder may be in memory, which keeps 40,000 saves
// with their fsyncs quick.
std::filesystem::path FastTempParent() {
    std::error_code ec;
    if (std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The bytes of version `v`, written by a fresh object in a folder of its own.
std::string VersionBytes(SettingsKind kind, std::uint32_t v) {
    TempFolder scratch;
    test::MakeVersionWriter(kind, scratch / test::FileName(kind))->Save(v);
    return scratch.Read(test::FileName(kind));
}

class KilledWhileSaving : public ::testing::TestWithParam<SettingsKind> {};

// A process saving one settings file over and over is killed at random
// moments until 10,000 saves have returned. After each kill the file loads,
// and it is exactly the last version whose save returned or a later one:
// never a mix, never a part, never an older one.
TEST_P(KilledWhileSaving, FileIsAlwaysTheOldOrTheNewVersion) {
    const SettingsKind kind = GetParam();
    const std::filesystem::path folder =
        FastTempParent() / ("keywright-kill-" + std::to_string(::getpid()) + "-" +
                            std::to_string(static_cast<int>(kind)));
    std::filesystem::create_directories(folder);
    const std::filesystem::path path = folder / test::FileName(kind);
    std::mt19937 random(12345 + static_cast<unsigned>(kind));
    std::uniform_int_distribution<std::size_t> savesBeforeKill(1, 150);

    constexpr std::size_t kSaves = 10000;
    std::size_t saves = 0;
    int kills = 0;
    int killsInsideASave = 0; // those that left the temporary file behind
    std::uint32_t next = 1;
    while (saves < kSaves && !HasFailure()) {
        SCOPED_TRACE("kill " + std::to_string(kills) + ", from version " + std::to_string(next));
        Helper helper({"loop", test::FileName(kind), folder.string(), std::to_string(next)});
        ASSERT_GT(helper.pid, 0) << "cannot start " << KEYWRIGHT_SAVE_HELPER;
        const std::size_t wanted = savesBeforeKill(random);
        const std::size_t returned = helper.Read(wanted).size();
        ::kill(helper.pid, SIGKILL);
        const int status = helper.Wait();
        ASSERT_EQ(returned, wanted) << "the saving process ended by itself, status " << status;
        ++kills;
        saves += returned;

        const auto version = test::ReadVersion(kind, path);
        ASSERT_TRUE(version.has_value()) << "the file does not load:\n" << ReadAll(path);
        ASSERT_GE(*version, next + returned - 1) << "a returned save was lost";
        ASSERT_EQ(ReadAll(path), VersionBytes(kind, *version));
        next = *version + 1;

        // A kill between creating the temporary file and renaming it leaves
        // the temporary file; the settings file itself is all that matters.
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path() != path) {
                ++killsInsideASave;
                std::filesystem::remove(entry.path());
            }
    }
    std::filesystem::remove_all(folder);
    RecordProperty("kills", kills);
    RecordProperty("kills_inside_a_save", killsInsideASave);
}

INSTANTIATE_TEST_SUITE_P(EverySettingsFile, KilledWhileSaving,
                         ::testing::ValuesIn(test::kWrittenKinds), [](const auto& param) {
                             std::string name = test::FileName(param.param);
                             return name.substr(0, name.find('.'));
                         });

TEST(SettingsFileFaults, FullDiskFailsTheSaveClearlyAndKeepsTheOldFile) {
    TempFolder folder;
    Helper helper({"full-disk", folder.Path().string()});
    ASSERT_GT(helper.pid, 0);
    const std::string said = helper.Read(4096);
    const int status = helper.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status << "\n" << said;
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no small file system can be made here: " << said;
    EXPECT_EQ(WEXITSTATUS(status), 0) << said;
}

// Permission checks mean nothing to root, which reads and writes anything.
// So as root, a permission test runs again in a process of its own as user
// 65534 (nobody), through setpriv, and its outcome is this test's.
void RunAsNobody(const char* test) {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    // Where nobody may write, whatever TMPDIR says for root.
    std::vector<std::string> environment{"TMPDIR=/tmp"};
    for (char** variable = environ; *variable != nullptr; ++variable)
        if (!std::string_view(*variable).starts_with("TMPDIR="))
            environment.emplace_back(*variable);
    std::vector<char*> envp;
    for (std::string& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    Helper nobody({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", self.string(),
                   std::string("--gtest_filter=SettingsFileFaults.") + test},
                  envp.data(), true);
    if (nobody.pid <= 0)
        GTEST_SKIP() << "running as root, and setpriv cannot be started to run as nobody";
    const std::string said = nobody.Read(1 << 20);
    const int status = nobody.Wait();
    if (said.find("[==========]") == std::string::npos)
        GTEST_SKIP() << "running as root, and the test cannot run as nobody here:\n" << said;
    else if (said.find("[  SKIPPED ]") != std::string::npos)
        GTEST_SKIP() << "as nobody:\n" << said;
    else
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "as nobody:\n" << said;
}

bool PermissionsRestrictUs(const std::filesystem::path& unreadable) {
    const int fd = ::open(unreadable.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true;
    ::close(fd);
    return false;
}

// What the program does with each settings file: load it, then change
// something and save (as the dialogs do).
struct FileUse {
    const char* name;
    std::function<void(const std::filesystem::path&)> loadChangeAndSave;
};

const FileUse kFileUses[] = {
    {"ledeffect.xml",
     [](const std::filesystem::path& path) {
         LedEffectTable table;
         table.Load(path);
         table.SetCurrent(3);
         table.SetCurrent(4);
     }},
    {"sidemodel.xml",
     [](const std::filesystem::path& path) {
         SideModelTable table;
         table.Load(path);
         table.SetCurrent(2);
         table.Reset();
     }},
    {"macro.xml",
     [](const std::filesystem::path& path) {
         MacroSettings macros;
         macros.Load(path);
         macros.AddGroup();
         macros.AddGroup();
         macros.Save();
     }},
    {"record.xml",
     [](const std::filesystem::path& path) {
         RecordStore store;
         store.Load(path);
         store.Put({0x70004, kAssignSingleKey, kPlayPassThrough, 1, "A", "B", {}});
         store.Clear();
     }},
};

// A settings file that exists but may not be read is neither kept aside nor
// replaced: every save of it fails. The user is told once which file and
// why, not at every refused save.
TEST(SettingsFileFaults, FileThatMayNotBeReadIsLeftAloneAndReportedOnce) {
    if (::geteuid() == 0) {
        RunAsNobody("FileThatMayNotBeReadIsLeftAloneAndReportedOnce");
        return;
    }
    for (const FileUse& use : kFileUses) {
        SCOPED_TRACE(use.name);
        TempFolder folder;
        const std::string original = "<?xml version=\"1.0\"?>\n<private />\n";
        folder.Write(use.name, original);
        ::chmod((folder / use.name).c_str(), 0);
        if (!PermissionsRestrictUs(folder / use.name))
            GTEST_SKIP() << "file permissions do not restrict this user";

        test::ExpectLog told(folder.Path().string() + "/" + use.name +
                             ": cannot read the file: Permission denied; it is left as it is");
        use.loadChangeAndSave(folder / use.name);
        EXPECT_EQ(told.Seen(), 1u);

        EXPECT_EQ(folder.List(), std::vector<std::string>{use.name});
        ::chmod((folder / use.name).c_str(), 0600);
        EXPECT_EQ(folder.Read(use.name), original);
    }
}

// A program folder that may not be written (an installed copy run from a
// read-only place): each save fails with the folder and the reason, the
// file stays as it was, nothing crashes.
TEST(SettingsFileFaults, ReadOnlyProgramFolderIsReportedNotCrashedOn) {
    if (::geteuid() == 0) {
        RunAsNobody("ReadOnlyProgramFolderIsReportedNotCrashedOn");
        return;
    }
    for (const FileUse& use : kFileUses) {
        SCOPED_TRACE(use.name);
        TempFolder folder;
        folder.Write(use.name, "<?xml version=\"1.0\"?>\n");
        const std::string before = folder.Read(use.name);
        ::chmod(folder.Path().c_str(), 0555);
        const bool restricted = ::access(folder.Path().c_str(), W_OK) != 0;
        if (!restricted) {
            ::chmod(folder.Path().c_str(), 0755);
            GTEST_SKIP() << "folder permissions do not restrict this user";
        }
        {
            test::ExpectLog refused("settings file: cannot create a temporary file in " +
                                    folder.Path().string() + ": Permission denied");
            use.loadChangeAndSave(folder / use.name);
        }
        ::chmod(folder.Path().c_str(), 0755);
        EXPECT_EQ(folder.List(), std::vector<std::string>{use.name});
        EXPECT_EQ(folder.Read(use.name), before);
    }
}

} // namespace
} // namespace keywright
