#pragma once

#include "platform/NamedLocks.h"

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace keywright::platform::lnx {

// Named locks from flock(2) on a lock file per name, plus an in-process
// owner and count per name.
//
// flock belongs to an open file description, not to a thread, so it only
// serialises processes; threads of this process are serialised by the
// in-process part, and the file lock is taken by the first Lock of the owning
// thread and released by its last Unlock. Every lock object opened under one
// name through this LinuxNamedLocks shares that state, so a thread holding
// the lock through one object may lock it again through another, as with a
// Windows named mutex. Two LinuxNamedLocks in one process still exclude each
// other (through the file lock) but are not recursive with each other.
//
// The kernel drops the flock when the process dies, however it dies. The file
// is opened with O_CLOEXEC, so a program this process starts does not inherit
// the lock.
//
// Lock files live in one folder shared by all users (/tmp unless given), so
// the program run by two users on one machine still takes turns with the
// keyboard; they are created with mode 0666 for the same reason. If a lock
// file cannot be opened at all, the lock still serialises this process's
// threads, and the failure is logged.
class LinuxNamedLocks final : public NamedLocks {
  public:
    LinuxNamedLocks();
    explicit LinuxNamedLocks(std::filesystem::path folder);
    ~LinuxNamedLocks() override;

    std::unique_ptr<NamedLock> Open(const std::string& name) override;

    // The lock file's name for a lock name: "keywright-" and the name with
    // every character outside [A-Za-z0-9._-] replaced by '_' and cut to 96
    // characters, then ".lock"; when that changed the name, a hash of the
    // whole name goes before ".lock", so distinct names never share a file.
    // "HidDevice::Open" gives "keywright-HidDevice__Open-<8 hex>.lock".
    static std::string LockFileName(std::string_view name);

  private:
    struct Entry;
    class Handle;

    std::filesystem::path folder_;
    std::mutex mutex_;
    // Entries live while a lock object of theirs does.
    std::map<std::string, std::weak_ptr<Entry>> entries_;
};

} // namespace keywright::platform::lnx
