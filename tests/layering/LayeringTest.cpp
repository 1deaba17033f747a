// The include graph of the libraries, checked against the layering the tree
// is built on: arrows point down only, base/ is at the bottom, nothing below
// ui/ includes Qt, and nothing outside a platform back end includes an
// operating-system header. A new arrow is a decision: add it here, with the
// link in CMake, not by accident.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace keywright {
namespace {

namespace fs = std::filesystem;

// Each library folder and the folders its sources may include from.
const std::map<std::string, std::set<std::string>> kAllowed = {
    {"base", {}},
    {"platform", {"base"}},
    {"platform/linux", {"base", "platform"}},
    {"platform/sim", {"base", "platform"}},
    {"platform/win32", {"base", "platform"}},
    {"threads", {"base"}},
    {"settings", {"base", "platform"}},
    {"device", {"base", "platform", "settings"}},
    {"engine", {"base", "platform", "settings", "threads"}},
    {"assign", {"base", "platform", "settings"}},
    // The assignment dialog: the rules above on the toolkit.
    {"assign/dialog",
     {"base", "platform", "settings", "assign", "engine", "threads", "ui", "widgets"}},
    {"ui", {"base"}},
    {"positions", {"base"}},
    {"widgets", {"base", "positions", "ui"}},
    // The two programs, at the top. keywright-ctl's options and simulated
    // world serve the window too.
    {"ctl",
     {"base", "platform", "platform/sim", "settings", "assign", "device", "engine", "threads"}},
    {"app",
     {"base", "platform", "platform/sim", "settings", "assign", "assign/dialog", "device", "engine",
      "threads", "ui", "widgets", "ctl"}},
};

// Folders whose sources may include Qt headers.
const std::set<std::string> kQtFolders = {"ui", "widgets", "assign/dialog", "app"};

// Headers only a platform back end may include.
const std::regex
    kOsHeader(R"(^(windows\.h|linux/|sys/|libudev\.h|libevdev/|unistd\.h|fcntl\.h|poll\.h))");

std::string LibraryOf(const fs::path& relative) {
    const std::string first = relative.begin()->string();
    if (relative.parent_path() == "assign/dialog")
        return "assign/dialog";
    if (first == "platform") {
        const fs::path folder = relative.parent_path();
        if (folder != "platform")
            return "platform/" + std::next(folder.begin())->string();
    }
    return first;
}

struct Include {
    std::string file;
    std::string target;
};

std::vector<Include> IncludesOf(const fs::path& root) {
    const std::regex includeLine(R"(^\s*#\s*include\s*[<"]([^">]+)[">])");
    std::vector<Include> found;
    for (const auto& [folder, allowed] : kAllowed) {
        const fs::path dir = root / folder;
        if (!fs::is_directory(dir))
            continue;
        for (const auto& entry : fs::directory_iterator(dir)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
                continue;
            std::ifstream in(entry.path());
            std::string line;
            std::smatch match;
            while (std::getline(in, line)) {
                if (std::regex_search(line, match, includeLine))
                    found.push_back({fs::relative(entry.path(), root).string(), match[1]});
            }
        }
    }
    return found;
}

TEST(Layering, LibrariesIncludeOnlyFromTheLayersBelowThem) {
    const fs::path root = KEYWRIGHT_SOURCE_DIR;
    const std::vector<Include> includes = IncludesOf(root);
    ASSERT_FALSE(includes.empty());
    for (const Include& include : includes) {
        const std::string from = LibraryOf(include.file);
        SCOPED_TRACE(include.file + " includes " + include.target);
        const bool isQt = include.target.rfind("Q", 0) == 0 || include.target.rfind("qt", 0) == 0;
        if (isQt) {
            EXPECT_TRUE(kQtFolders.contains(from)) << "a Qt header below ui/";
            continue;
        }
        if (std::regex_search(include.target, kOsHeader)) {
            EXPECT_TRUE(from.rfind("platform/", 0) == 0)
                << "an operating-system header outside a back end";
            continue;
        }
        if (!fs::exists(root / include.target))
            continue; // a standard or third-party header, or a sibling file
        const std::string to = LibraryOf(include.target);
        if (to == from)
            continue;
        EXPECT_TRUE(kAllowed.at(from).contains(to))
            << from << " -> " << to << " is not a downward arrow";
    }
}

} // namespace
} // namespace keywright
