#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace keywright {

// The program's one error log. Each line starts with who is at fault:
//   "settings file: ..."  a file the user or another program wrote
//   "device: ..."         a keyboard, an input node, a driver
//   "system: ..."         the operating system refused something
//   "bug: ..."            this program broke one of its own rules
// The system's own trace lines (Trace.h) are not log lines.
//
// By default lines go to standard error as "keywright: <line>". Safe from any
// thread; lines never interleave.
void LogLine(std::string_view line);

// Where log lines go. A test installs one to collect the lines and to fail on
// any it did not expect.
using LogSink = std::function<void(std::string_view line)>;

// Installs `sink` (empty: the default) and returns the one it replaces.
LogSink SetLogSink(LogSink sink);

// Replaces the sink for a scope.
class ScopedLogSink {
  public:
    explicit ScopedLogSink(LogSink sink) : previous_(SetLogSink(std::move(sink))) {}
    ~ScopedLogSink() { SetLogSink(std::move(previous_)); }
    ScopedLogSink(const ScopedLogSink&) = delete;
    ScopedLogSink& operator=(const ScopedLogSink&) = delete;

  private:
    LogSink previous_;
};

} // namespace keywright
