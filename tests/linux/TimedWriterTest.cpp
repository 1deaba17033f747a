#include "platform/linux/TimedWriter.h"

#include "platform/linux/WindowsErrors.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace keywright::platform::lnx {
namespace {

using Start = HidWriteResult::Start;

// A pipe stands in for a hidraw node: its write() blocks while the pipe is
// full, as a hidraw write blocks while the device does not take the report.
class Pipe {
  public:
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2");
        read_ = fds[0];
        write_ = std::make_shared<FileDescriptor>(fds[1]);
    }
    ~Pipe() { ::close(read_); }

    std::shared_ptr<FileDescriptor> WriteEnd() const { return write_; }
    // Leaves the write end to its other owners.
    void ReleaseWriteEnd() { write_.reset(); }

    // Fills the pipe so the next write blocks.
    void Fill() {
        const int fd = write_->Get();
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
        const std::string block(4096, 'f');
        for (ssize_t n; (n = ::write(fd, block.data(), block.size())) > 0;)
            filled_ += static_cast<std::size_t>(n);
        char one = 'f';
        while (::write(fd, &one, 1) > 0)
            ++filled_;
        ::fcntl(fd, F_SETFL, 0);
    }

    // Reads back what Fill wrote, and no more: the device takes reports
    // again. False if it did not come within 10 s.
    bool Unfill() {
        std::string fill;
        const bool read = Read(fill, filled_);
        filled_ -= fill.size();
        return read && fill == std::string(fill.size(), 'f');
    }

    // Everything written after the fill, read until every owner of the write
    // end let it go. False if that did not happen within 10 s.
    bool ReadToEnd(std::string& data) {
        if (!Unfill())
            return false;
        return Read(data, std::string::npos);
    }

  private:
    // Reads until `count` bytes came or the write end closed; true then,
    // false when the deadline came first.
    bool Read(std::string& data, std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (std::size_t got = 0; got < count;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd pfd{read_, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
                return false;
            char buffer[65536];
            const ssize_t n = ::read(read_, buffer, std::min(sizeof buffer, count - got));
            if (n == 0)
                return count == std::string::npos;
            if (n < 0)
                return false;
            data.append(buffer, static_cast<std::size_t>(n));
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    int read_ = -1;
    std::shared_ptr<FileDescriptor> write_;
    std::size_t filled_ = 0; // bytes of Fill not read back yet
};

HidWriteResult WriteText(TimedWriter& writer, const std::string& text, std::uint32_t timeoutMs) {
    return writer.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), timeoutMs);
}

TEST(TimedWriter, FinishedInTimeIsPendingAndFinished) {
    Pipe pipe;
    auto writer = std::make_unique<TimedWriter>(pipe.WriteEnd());
    const HidWriteResult result = WriteText(*writer, "report", 10000);
    EXPECT_EQ(result.start, Start::Pending);
    EXPECT_EQ(result.error, kErrorIoPending);
    EXPECT_TRUE(result.finished);
    EXPECT_EQ(result.bytes, 6u);
    writer.reset();
    pipe.ReleaseWriteEnd();
    std::string received;
    EXPECT_TRUE(pipe.ReadToEnd(received));
    EXPECT_EQ(received, "report");
}

// The late write is retired before the next starts: a write issued while it
// still runs is dropped, one issued after it finished goes out after it.
// The short time limits here are meant to run out: the pipe stays full.
TEST(TimedWriter, LateWriteIsRetiredBeforeTheNext) {
    Pipe pipe;
    pipe.Fill();
    auto writer = std::make_unique<TimedWriter>(pipe.WriteEnd());

    const HidWriteResult late = WriteText(*writer, "AAAA", 50);
    EXPECT_EQ(late.start, Start::Pending);
    EXPECT_EQ(late.error, kErrorIoPending);
    EXPECT_FALSE(late.finished);
    EXPECT_EQ(late.bytes, 0u);

    const HidWriteResult dropped = WriteText(*writer, "BBBB", 50);
    EXPECT_EQ(dropped.start, Start::Pending);
    EXPECT_FALSE(dropped.finished);

    ASSERT_TRUE(pipe.Unfill()); // the device takes reports again
    const HidWriteResult next = WriteText(*writer, "CCCC", 10000);
    EXPECT_EQ(next.start, Start::Pending);
    EXPECT_TRUE(next.finished);
    EXPECT_EQ(next.bytes, 4u);
    writer.reset();
    pipe.ReleaseWriteEnd();
    std::string received;
    EXPECT_TRUE(pipe.ReadToEnd(received));
    EXPECT_EQ(received, "AAAACCCC");
}

TEST(TimedWriter, FailedWriteGivesTheWindowsError) {
    const int readOnly = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(readOnly, 0);
    TimedWriter writer(std::make_shared<FileDescriptor>(readOnly));
    const HidWriteResult result = WriteText(writer, "x", 10000);
    EXPECT_EQ(result.start, Start::Failed);
    EXPECT_EQ(result.error, kErrorInvalidHandle); // EBADF: not open for writing
    EXPECT_FALSE(result.finished);

    EXPECT_EQ(writer.Write(nullptr, 4, 100).start, Start::Failed);
    EXPECT_EQ(WriteText(writer, "", 100).start, Start::Failed);
}

// Destroying the writer while the device holds a write must not wait for the
// device; the worker finishes the write later and then lets the descriptor go.
TEST(TimedWriter, DestroyingDoesNotWaitForABlockedWrite) {
    Pipe pipe;
    pipe.Fill();
    auto writer = std::make_unique<TimedWriter>(pipe.WriteEnd());
    pipe.ReleaseWriteEnd();
    EXPECT_FALSE(WriteText(*writer, "AAAA", 20).finished);

    auto destroyed = std::async(std::launch::async, [&] { writer.reset(); });
    const bool returned = destroyed.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    const bool unfilled = pipe.Unfill(); // unblocks the worker either way
    destroyed.wait();
    EXPECT_TRUE(returned) << "the destructor waited for the blocked write";
    ASSERT_TRUE(unfilled);

    // The end of the data comes once the worker, the last owner of the
    // descriptor, lets it go.
    std::string received;
    EXPECT_TRUE(pipe.ReadToEnd(received)) << "the worker kept the descriptor";
    EXPECT_EQ(received, "AAAA");
}

// Callers on several threads are served one at a time, each report whole.
TEST(TimedWriter, ConcurrentCallersAllFinish) {
    Pipe pipe;
    auto writer = std::make_unique<TimedWriter>(pipe.WriteEnd());
    std::vector<std::thread> callers;
    std::atomic<int> finished{0};
    for (const char letter : {'a', 'b', 'c', 'd'})
        callers.emplace_back([&, letter] {
            for (int i = 0; i < 25; ++i)
                if (WriteText(*writer, std::string(8, letter), 10000).finished)
                    ++finished;
        });
    for (std::thread& caller : callers)
        caller.join();
    EXPECT_EQ(finished, 100);
    writer.reset();
    pipe.ReleaseWriteEnd();
    std::string received;
    EXPECT_TRUE(pipe.ReadToEnd(received));
    ASSERT_EQ(received.size(), 800u);
    for (std::size_t i = 0; i < received.size(); i += 8)
        EXPECT_EQ(received.substr(i, 8), std::string(8, received[i])) << "at " << i;
}

} // namespace
} // namespace keywright::platform::lnx
