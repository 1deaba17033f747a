#include "base/Log.h"

#include "base/OnceLog.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace keywright {
namespace {

TEST(Log, LinesGoToTheInstalledSinkAndTheOldSinkComesBack) {
    std::vector<std::string> outer;
    ScopedLogSink outerSink([&](std::string_view line) { outer.emplace_back(line); });
    {
        std::vector<std::string> inner;
        ScopedLogSink innerSink([&](std::string_view line) { inner.emplace_back(line); });
        LogLine("device: one");
        EXPECT_EQ(inner, std::vector<std::string>{"device: one"});
    }
    LogLine("bug: two");
    EXPECT_EQ(outer, std::vector<std::string>{"bug: two"});
}

TEST(OnceLog, LogsEachDistinctLineOnce) {
    std::vector<std::string> lines;
    ScopedLogSink sink([&](std::string_view line) { lines.emplace_back(line); });
    OnceLog once;
    once.Log("device: a");
    once.Log("device: b");
    once.Log("device: a");
    EXPECT_EQ(lines, (std::vector<std::string>{"device: a", "device: b"}));
}

} // namespace
} // namespace keywright
