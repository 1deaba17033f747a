#include "platform/linux/LinuxNamedLocks.h"

#include "base/Log.h"
#include "platform/linux/FileDescriptor.h"

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>

namespace keywright::platform::lnx {
namespace {

constexpr std::size_t kMaxNameChars = 96;

bool IsSafe(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

// FNV-1a: stable across builds and processes, which std::hash is not.
std::uint32_t Fnv1a(std::string_view text) {
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

// Opens the lock file, creating it when missing. Never follows a symbolic
// link, and never opens with O_CREAT a file that exists: in a sticky shared
// folder (/tmp), protected_regular refuses O_CREAT on another user's file.
// Read-only is enough for flock, and is what another user's 0644 file allows.
std::optional<int> OpenLockFile(const std::filesystem::path& file, int& error) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0)
            return fd;
        if (errno == EACCES) {
            fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (fd >= 0)
                return fd;
        }
        if (errno != ENOENT)
            break;
        fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            ::fchmod(fd, 0666); // past the umask, so other users can open it too
            return fd;
        }
        if (errno != EEXIST)
            break;
        // Another process created it between our two opens: open theirs.
    }
    error = errno;
    return std::nullopt;
}

} // namespace

// The state of one name in this process.
struct LinuxNamedLocks::Entry {
    std::string name;
    std::unique_ptr<FileDescriptor> file; // null when the lock file could not be opened

    std::mutex mutex;
    std::condition_variable released;
    // Guarded by mutex. The owner holds the file lock while count > 0.
    std::thread::id owner;
    std::size_t count = 0;
};

class LinuxNamedLocks::Handle final : public NamedLock {
  public:
    explicit Handle(std::shared_ptr<Entry> entry) : entry_(std::move(entry)) {}

    void Lock() override {
        Entry& entry = *entry_;
        const std::thread::id self = std::this_thread::get_id();
        std::unique_lock lock(entry.mutex);
        if (entry.count > 0 && entry.owner == self) {
            ++entry.count;
            return;
        }
        entry.released.wait(lock, [&] { return entry.count == 0; });
        entry.owner = self;
        entry.count = 1;
        lock.unlock();
        // The other threads of this process now wait on `released`; only
        // this one waits for the other processes.
        if (entry.file) {
            int result = 0;
            do {
                result = ::flock(entry.file->Get(), LOCK_EX);
            } while (result < 0 && errno == EINTR);
            if (result < 0)
                LogLine("system: cannot lock the lock file of \"" + entry.name +
                        "\": " + std::strerror(errno) + "; locking this process only");
        }
    }

    bool TryLock() override {
        Entry& entry = *entry_;
        const std::thread::id self = std::this_thread::get_id();
        std::lock_guard lock(entry.mutex);
        if (entry.count > 0) {
            if (entry.owner != self)
                return false;
            ++entry.count;
            return true;
        }
        // Under the entry's mutex: the flock is not held by this process, and
        // the non-blocking attempt cannot keep the other threads waiting.
        if (entry.file) {
            int result = 0;
            do {
                result = ::flock(entry.file->Get(), LOCK_EX | LOCK_NB);
            } while (result < 0 && errno == EINTR);
            if (result < 0 && errno == EWOULDBLOCK)
                return false;
            if (result < 0)
                LogLine("system: cannot lock the lock file of \"" + entry.name +
                        "\": " + std::strerror(errno) + "; locking this process only");
        }
        entry.owner = self;
        entry.count = 1;
        return true;
    }

    void Unlock() override {
        Entry& entry = *entry_;
        std::lock_guard lock(entry.mutex);
        if (entry.count == 0 || entry.owner != std::this_thread::get_id()) {
            LogLine("bug: named lock \"" + entry.name +
                    "\" unlocked by a thread that does not hold it");
            return;
        }
        if (--entry.count > 0)
            return;
        if (entry.file)
            ::flock(entry.file->Get(), LOCK_UN);
        entry.owner = {};
        entry.released.notify_one();
    }

  private:
    std::shared_ptr<Entry> entry_;
};

LinuxNamedLocks::LinuxNamedLocks() : LinuxNamedLocks("/tmp") {}

LinuxNamedLocks::LinuxNamedLocks(std::filesystem::path folder) : folder_(std::move(folder)) {}

LinuxNamedLocks::~LinuxNamedLocks() = default;

std::string LinuxNamedLocks::LockFileName(std::string_view name) {
    std::string safe;
    for (const char c : name.substr(0, kMaxNameChars))
        safe += IsSafe(c) ? c : '_';
    std::string file = "keywright-" + safe;
    if (safe != name) {
        char hash[16];
        std::snprintf(hash, sizeof hash, "-%08x", Fnv1a(name));
        file += hash;
    }
    return file + ".lock";
}

std::unique_ptr<NamedLock> LinuxNamedLocks::Open(const std::string& name) {
    std::lock_guard lock(mutex_);
    std::shared_ptr<Entry> entry = entries_[name].lock();
    if (!entry) {
        entry = std::make_shared<Entry>();
        entry->name = name;
        const std::filesystem::path file = folder_ / LockFileName(name);
        int error = 0;
        if (const auto fd = OpenLockFile(file, error))
            entry->file = std::make_unique<FileDescriptor>(*fd);
        else
            LogLine("system: cannot open the lock file " + file.string() + ": " +
                    std::strerror(error) + "; the lock \"" + name +
                    "\" holds only within this process");
        entries_[name] = entry;
    }
    return std::make_unique<Handle>(std::move(entry));
}

} // namespace keywright::platform::lnx
