// The process the crash-safety tests kill or confine:
//
//   settings_save_helper loop FILE FOLDER FIRST
//       saves versions FIRST, FIRST + 1, ... of FILE (ledeffect.xml, ...) in
//       FOLDER until it is killed, writing one byte to standard output after
//       each save has returned.
//   settings_save_helper full-disk FOLDER
//       in a private user and mount namespace, mounts a small tmpfs on FOLDER
//       and checks that a save into the full file system fails with a clear
//       message and leaves the old file as it was. Exit 0: it held; 77: no
//       namespace or mount could be made here (the reason on standard
//       output); 1: it did not hold (what, on standard output).
#include "SavedVersions.h"
#include "base/Log.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace keywright;
using namespace keywright::test;

int Loop(SettingsKind kind, const std::filesystem::path& folder, std::uint32_t first) {
    const auto writer = MakeVersionWriter(kind, folder / FileName(kind));
    for (std::uint32_t v = first;; ++v) {
        if (!writer->Save(v))
            return 1;
        if (::write(STDOUT_FILENO, "+", 1) != 1)
            return 1;
    }
}

bool WriteText(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

// Root of a new user namespace, so the mount needs no privilege outside it.
std::string EnterNamespaces() {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return std::string("cannot make a user and mount namespace: ") + std::strerror(errno);
    if (!WriteText("/proc/self/setgroups", "deny") ||
        !WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") ||
        !WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n"))
        return std::string("cannot map the user into the namespace: ") + std::strerror(errno);
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("cannot make the mounts private: ") + std::strerror(errno);
    return {};
}

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Fills the file system holding `folder` up to the last byte.
void Fill(const std::filesystem::path& folder) {
    const int fd = ::open((folder / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::vector<char> block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);
}

int FullDisk(const std::filesystem::path& folder) {
    if (const std::string why = EnterNamespaces(); !why.empty()) {
        std::cout << why << "\n";
        return 77;
    }
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") != 0) {
        std::cout << "cannot mount a tmpfs: " << std::strerror(errno) << "\n";
        return 77;
    }

    std::vector<std::string> lines;
    SetLogSink([&](std::string_view line) { lines.emplace_back(line); });
    int failures = 0;
    const auto fail = [&](SettingsKind kind, const std::string& what) {
        std::cout << FileName(kind) << ": " << what << "\n";
        ++failures;
    };
    for (const SettingsKind kind : kWrittenKinds) {
        const auto path = folder / FileName(kind);
        const auto writer = MakeVersionWriter(kind, path);
        if (!writer->Save(7)) {
            fail(kind, "the first save, with room, failed");
            continue;
        }
        const std::string old = Read(path);
        Fill(folder);
        lines.clear();
        if (writer->Save(1000039))
            fail(kind, "a save into a full file system succeeded");
        if (Read(path) != old)
            fail(kind, "a failed save changed the file");
        if (lines.size() != 1 || lines[0].find("No space left on device") == std::string::npos ||
            lines[0].find(FileName(kind)) == std::string::npos)
            fail(kind, "no single clear message naming the file and the full disk: " +
                           (lines.empty() ? std::string("none") : lines[0]));
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.path().filename().string().starts_with("."))
                fail(kind, "a temporary file was left behind: " + entry.path().string());
        std::filesystem::remove(folder / "filler");
        if (!writer->Save(1000039) || ReadVersion(kind, path) != 1000039u)
            fail(kind, "with room again, the save failed");
    }
    SetLogSink({});
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "loop") {
        if (const auto kind = KindNamed(args[1]))
            return Loop(*kind, args[2], static_cast<std::uint32_t>(std::stoul(args[3])));
    } else if (args.size() == 2 && args[0] == "full-disk") {
        return FullDisk(args[1]);
    }
    std::cerr << "usage: settings_save_helper loop FILE FOLDER FIRST | full-disk FOLDER\n";
    return 2;
}
