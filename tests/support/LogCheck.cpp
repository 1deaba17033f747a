#include "support/LogCheck.h"

#include "base/Log.h"

#include <gtest/gtest.h>
#include <map>
#include <mutex>

namespace keywright::test {
namespace {

struct Expectation {
    std::string text;
    std::size_t seen = 0;
};

std::mutex expectationsLock;
std::map<std::size_t, Expectation> expectations;
std::size_t nextId = 0;

void CheckLine(std::string_view line) {
    {
        std::lock_guard lock(expectationsLock);
        bool expected = false;
        for (auto& [id, expectation] : expectations) {
            if (line.find(expectation.text) != std::string_view::npos) {
                ++expectation.seen;
                expected = true;
            }
        }
        if (expected)
            return;
    }
    ADD_FAILURE() << "unexpected log line: " << line;
}

} // namespace

ExpectLog::ExpectLog(std::string text, bool required)
    : text_(std::move(text)), required_(required) {
    std::lock_guard lock(expectationsLock);
    id_ = nextId++;
    expectations[id_] = Expectation{text_, 0};
}

ExpectLog::~ExpectLog() {
    std::size_t seen = 0;
    {
        std::lock_guard lock(expectationsLock);
        seen = expectations[id_].seen;
        expectations.erase(id_);
    }
    if (required_ && seen == 0)
        ADD_FAILURE() << "no log line contained \"" << text_ << "\"";
}

std::size_t ExpectLog::Seen() const {
    std::lock_guard lock(expectationsLock);
    return expectations.at(id_).seen;
}

int RunAllTests(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    SetLogSink(CheckLine);
    const int result = RUN_ALL_TESTS();
    SetLogSink({});
    return result;
}

} // namespace keywright::test
