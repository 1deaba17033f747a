#pragma once

namespace keywright::platform::lnx {

// Owns one open file descriptor and closes it when it goes. Shared (through a
// shared_ptr) by everything that may still use the descriptor, so it is
// closed only after the last user has left and its number cannot be reused
// under a transfer that is still running.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }

  private:
    int fd_;
};

} // namespace keywright::platform::lnx
