#include "platform/win32/Win32ProcessService.h"

#include "Win32TestSupport.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace keywright {
namespace {

using platform::kFileAttributeDirectory;
using platform::win32::ToUtf8;
using platform::win32::ToWide;
using platform::win32::Win32ProcessService;
using test::ChildProgram;
using test::UniqueName;

std::wstring ReadWide(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    return text;
}

class Win32ProcessServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() / UniqueName("process");
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::filesystem::path folder_;
    Win32ProcessService processes_;
};

// The program gets the command line exactly as given, program path apart
// (the driver tool's lines start with a space where its name would stand),
// and RunAndWait returns only after the program has ended.
TEST_F(Win32ProcessServiceTest, RunsTheProgramWithTheLineAsGivenAndWaitsForIt) {
    const std::filesystem::path out = folder_ / "line with space.txt";
    const std::string line = " line \"" + out.string() + "\" \"root\\vhidev\"";
    ASSERT_TRUE(processes_.RunAndWait(ToUtf8(ChildProgram()), line));
    // Written by the child just before it ended.
    EXPECT_EQ(ToUtf8(ReadWide(out)), line);
}

TEST_F(Win32ProcessServiceTest, AProgramThatCannotStartIsReported) {
    EXPECT_FALSE(processes_.RunAndWait((folder_ / "missing.exe").string(), " x"));
    EXPECT_FALSE(processes_.RunAndWait("", " x"));
    const std::filesystem::path notAProgram = folder_ / "text.exe";
    std::ofstream(notAProgram) << "not a program";
    EXPECT_FALSE(processes_.RunAndWait(notAProgram.string(), " x"));
}

TEST_F(Win32ProcessServiceTest, FileAttributesTellFoldersFilesAndMissingPaths) {
    const std::filesystem::path file = folder_ / "vhidflt.inf";
    std::ofstream(file) << "x";
    ASSERT_TRUE(processes_.FileAttributes(folder_.string()).has_value());
    EXPECT_NE(*processes_.FileAttributes(folder_.string()) & kFileAttributeDirectory, 0u);
    ASSERT_TRUE(processes_.FileAttributes(file.string()).has_value());
    EXPECT_EQ(*processes_.FileAttributes(file.string()) & kFileAttributeDirectory, 0u);
    EXPECT_FALSE(processes_.FileAttributes((folder_ / "vhidev.inf").string()).has_value());
    EXPECT_FALSE(processes_.FileAttributes("").has_value());
}

// A 64-bit program is never under 32-bit emulation; its folder is the one
// the program file lies in, ending in the separator the driver folder is
// appended to.
TEST_F(Win32ProcessServiceTest, ProgramFolderAndEmulation) {
    EXPECT_FALSE(processes_.IsWow64());
    const std::string folder = processes_.ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(folder, ToUtf8(platform::ExecutableFolder().wstring() + L"\\"));
}

} // namespace
} // namespace keywright
