// The atomic replace's promises that need POSIX to check: the permissions a
// file gets or keeps, and a save killed at any moment (fork and SIGKILL).
#include "platform/Files.h"
#include "settings/MacroSettings.h"
#include "support/TempFolder.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace keywright {
namespace {

namespace fs = std::filesystem;
using platform::ReplaceFileAtomically;

using test::TempFolder;

std::string ReadFile(const fs::path& path) {
    return TempFolder::ReadFile(path);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

fs::perms Permissions(const fs::path& path) {
    return fs::status(path).permissions() & fs::perms::mask;
}

TEST(ReplaceFileAtomically, ANewFileIsReadableByAllWritableByTheOwner) {
    TempFolder folder;
    const fs::path target = folder / "record.xml";
    // The temporary file starts private; the umask must not decide the result either.
    const mode_t previous = ::umask(077);
    const auto result = ReplaceFileAtomically(target, "x");
    ::umask(previous);

    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(Permissions(target), static_cast<fs::perms>(0644));
}

TEST(ReplaceFileAtomically, AnExistingFileKeepsItsPermissions) {
    const fs::perms modes[] = {static_cast<fs::perms>(0600), static_cast<fs::perms>(0640),
                               static_cast<fs::perms>(0755), static_cast<fs::perms>(0444)};
    TempFolder folder;
    const fs::path target = folder / "config.xml";
    for (const fs::perms mode : modes) {
        SCOPED_TRACE(static_cast<int>(mode));
        WriteFile(target, "old");
        fs::permissions(target, mode);

        const auto result = ReplaceFileAtomically(target, "new");
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(ReadFile(target), "new");
        EXPECT_EQ(Permissions(target), mode);
        fs::remove(target);
    }
}

// A save killed at any moment leaves macro.xml either as it was or as the save
// would have made it. The child saves two versions in turn without pause and
// says when it starts; the parent kills it at a moment that moves through the
// length of a save from round to round, and reads what is left.
TEST(ReplaceFileAtomically, AKilledSaveLeavesOneWholeVersion) {
    constexpr std::size_t kGroups = 300;
    constexpr std::size_t kItems = 50; // a save takes a few milliseconds
    constexpr int kRounds = 30;

    TempFolder folder;
    const fs::path path = folder / "macro.xml";

    // Built before they have a path, so that AddGroup writes nothing, and
    // with every group added before any is filled, as AddGroup formats the
    // whole document each time. Load of the still missing file then gives
    // both the same path.
    auto fill = [&](MacroSettings& settings, std::size_t groups) {
        for (std::size_t g = 0; g < groups; ++g)
            settings.AddGroup();
        for (std::size_t g = 0; g < groups; ++g) {
            auto& items = settings.GetGroup(static_cast<int>(g))->items;
            for (std::size_t i = 0; i < kItems; ++i) {
                const auto key = static_cast<std::uint32_t>((g + i / 2) % 26);
                items.push_back({MakeKeyCode(kKeyboardPage, static_cast<std::uint16_t>(4 + key)),
                                 i % 2 == 0 ? 1u : 0u, static_cast<std::uint32_t>(10 + i % 7),
                                 std::string(1, static_cast<char>('A' + key))});
            }
        }
        settings.Load(path);
    };
    MacroSettings shorter;
    MacroSettings longer;
    fill(shorter, kGroups);
    fill(longer, kGroups + 1);
    ASSERT_EQ(shorter.Path(), path);
    ASSERT_EQ(longer.Path(), path);
    MacroSettings* const versions[] = {&shorter, &longer};

    // How long a save takes on this machine, the span the kills spread over.
    // The last of these saves leaves the shorter version: the file exists
    // before the first kill.
    constexpr int kTimedSaves = 4;
    const auto timing = std::chrono::steady_clock::now();
    for (int i = 1; i <= kTimedSaves; ++i)
        ASSERT_TRUE(versions[i % 2]->Save());
    const auto saveTime = (std::chrono::steady_clock::now() - timing) / kTimedSaves;
    // The child starts with the version the file does not hold, so that
    // every save it completes changes the file.
    std::size_t next = 1;

    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        int started[2];
        ASSERT_EQ(::pipe(started), 0);
        const pid_t child = ::fork();
        ASSERT_NE(child, -1);
        if (child == 0) {
            ::close(started[0]);
            if (::write(started[1], "s", 1) != 1)
                ::_exit(1);
            for (std::size_t k = next;; ++k) {
                if (!versions[k % 2]->Save())
                    ::_exit(1);
            }
        }
        ::close(started[1]);
        pollfd start{started[0], POLLIN, 0};
        const bool saving = ::poll(&start, 1, 10'000) == 1;
        // The moment of the kill is what the test varies, so this waits for
        // no outcome: it puts the kill at a point of the first save and a
        // half, moving through them in steps of 1.5 / kRounds of a save in a
        // shuffled order (the half, as a child's first save may take longer
        // than the ones timed above).
        if (saving)
            std::this_thread::sleep_for(saveTime * 3 * ((round * 29) % kRounds) / (2 * kRounds));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(started[0]);
        ASSERT_TRUE(saving) << "the child did not start";
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the saving child stopped by itself";

        MacroSettings loaded;
        ASSERT_TRUE(loaded.Load(path));
        const auto& groups = loaded.Groups();
        if (groups == shorter.Groups()) {
            next = 1;
        } else if (groups == longer.Groups()) {
            next = 0;
        } else {
            ADD_FAILURE() << "torn file: " << groups.size() << " groups, the last with "
                          << (groups.empty() ? 0 : groups.back().items.size()) << " items";
        }
    }

    // A kill may leave the temporary file of the save it interrupted; nothing else.
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "macro.xml" || name.starts_with(".macro.xml.")) << name;
    }
}

TEST(ExecutableFolder, IsTheFolderOfTheRunningExecutable) {
    const fs::path folder = platform::ExecutableFolder();
    const fs::path exe = fs::canonical("/proc/self/exe");

    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::equivalent(folder, exe.parent_path())) << folder;
    EXPECT_TRUE(fs::equivalent(folder / exe.filename(), exe));
}

} // namespace
} // namespace keywright
