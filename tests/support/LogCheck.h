#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace keywright::test {

// Every test runs with a log sink that fails the test on any line it did not
// announce, as libevdev's tests fail on an unexpected error message. A test
// that provokes a log line says so:
//
//     ExpectLog unreadable("settings file: cannot read");
//
// Lines containing the text pass while the object lives; when it goes, the
// test fails if no such line came. Safe from any thread.
class ExpectLog {
  public:
    explicit ExpectLog(std::string text, bool required = true);
    ~ExpectLog();
    ExpectLog(const ExpectLog&) = delete;
    ExpectLog& operator=(const ExpectLog&) = delete;

    // Lines seen so far that contained the text.
    std::size_t Seen() const;

  private:
    std::size_t id_;
    std::string text_;
    bool required_;
};

// Lines containing the text pass while the object lives, but need not come:
// for what depends on the machine (a module that is not loaded, a device
// node that is missing).
class AllowLog : public ExpectLog {
  public:
    explicit AllowLog(std::string text) : ExpectLog(std::move(text), false) {}
};

// Installs the checking sink and runs every test. The test mains call it.
int RunAllTests(int argc, char** argv);

} // namespace keywright::test
