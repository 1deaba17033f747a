// The atomic replace as every system does it. FilesPosixTest.cpp adds what
// only POSIX systems can check (permissions, a save killed part way).
#include "platform/Files.h"

#include "support/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>

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

// Everything under `root`: each path relative to it, with a regular file's
// bytes or "<folder>". Two equal snapshots mean nothing was added, removed or
// changed.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).string();
        entries[name] = entry.is_directory() ? "<folder>" : ReadFile(entry.path());
    }
    return entries;
}

TEST(ReplaceFileAtomically, WritesANewFileWithExactlyTheBytes) {
    const struct {
        const char* label;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"text", "<?xml version=\"1.0\"?>\n<record />\n"},
        {"binary", std::string("a\0b\r\n\xff\xfe\x00", 8)},
        {"large", std::string(3 << 20, 'x') + "end"},
    };
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const fs::path target = folder / (std::string(c.label) + ".bin");
        const auto result = ReplaceFileAtomically(target, c.bytes);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_TRUE(result.error.empty());
        EXPECT_EQ(ReadFile(target), c.bytes);
    }
}

TEST(ReplaceFileAtomically, ReplacesAnExistingFileWholly) {
    TempFolder folder;
    const fs::path target = folder / "macro.xml";
    WriteFile(target, "old contents that are much longer than the new ones");

    ASSERT_TRUE(ReplaceFileAtomically(target, "new").ok);
    EXPECT_EQ(ReadFile(target), "new"); // no tail of the old bytes left
    ASSERT_TRUE(ReplaceFileAtomically(target, "newer and longer").ok);
    EXPECT_EQ(ReadFile(target), "newer and longer");
    EXPECT_EQ(Snapshot(folder.Path()).size(), 1u) << "a temporary file was left behind";
}

TEST(ReplaceFileAtomically, AcceptsABareFileNameInTheCurrentFolder) {
    TempFolder folder;
    const fs::path previous = fs::current_path();
    fs::current_path(folder.Path());
    const auto result = ReplaceFileAtomically("plain.xml", "bytes");
    fs::current_path(previous);

    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(ReadFile(folder / "plain.xml"), "bytes");
}

// On failure the call reports the path concerned and leaves the folder as it
// found it: no temporary file, the old contents in place.
TEST(ReplaceFileAtomically, FailsWithoutTouchingTheFolder) {
    struct Case {
        const char* label;
        // Prepares the folder; returns the target and the path the error must name.
        std::function<std::pair<fs::path, fs::path>(const fs::path&)> prepare;
    };
    const Case cases[] = {
        {"folder does not exist",
         [](const fs::path& root) {
             return std::pair{root / "missing" / "macro.xml", root / "missing"};
         }},
        {"target is a folder with a file in it",
         [](const fs::path& root) {
             fs::create_directory(root / "macro.xml");
             WriteFile(root / "macro.xml" / "inside.txt", "keep me");
             return std::pair{root / "macro.xml", root / "macro.xml"};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        TempFolder folder;
        const auto [target, named] = c.prepare(folder.Path());
        const auto before = Snapshot(folder.Path());

        const auto result = ReplaceFileAtomically(target, "new contents");

        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(static_cast<bool>(result));
        EXPECT_NE(result.error.find(named.string()), std::string::npos) << result.error;
        EXPECT_EQ(Snapshot(folder.Path()), before);
    }
}

} // namespace
} // namespace keywright
