#include "base/Log.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <utility>

namespace keywright {
namespace {

std::mutex& SinkLock() {
    static std::mutex lock;
    return lock;
}

std::shared_ptr<const LogSink>& CurrentSink() {
    static std::shared_ptr<const LogSink> sink;
    return sink;
}

void WriteToStandardError(std::string_view line) {
    std::string text = "keywright: ";
    text += line;
    text += '\n';
    // One stdio call: the stream lock keeps concurrent lines whole.
    std::fwrite(text.data(), 1, text.size(), stderr);
}

} // namespace

void LogLine(std::string_view line) {
    std::shared_ptr<const LogSink> sink;
    {
        std::lock_guard lock(SinkLock());
        sink = CurrentSink();
    }
    // Called outside the lock, so a sink may log or replace itself.
    if (sink && *sink)
        (*sink)(line);
    else
        WriteToStandardError(line);
}

LogSink SetLogSink(LogSink sink) {
    auto next = sink ? std::make_shared<const LogSink>(std::move(sink)) : nullptr;
    std::lock_guard lock(SinkLock());
    std::shared_ptr<const LogSink> previous = std::exchange(CurrentSink(), std::move(next));
    return previous ? *previous : LogSink{};
}

} // namespace keywright
