#pragma once

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace keywright {

// Where the keyboard link writes its diagnostic trace lines. Each call gets
// one whole line, newline included. The program sends them to standard
// output; tests capture them.
using Trace = std::function<void(std::string_view line)>;

Trace StdoutTrace();

// printf-style formatting of one trace line.
template <typename... Args>
std::string TraceLine(const char* format, Args... args) {
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    return std::string(buffer,
                       n < 0 ? 0 : std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
}

} // namespace keywright
