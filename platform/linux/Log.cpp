#include "platform/linux/Log.h"

#include <cstdio>
#include <string>

namespace keywright::platform::lnx {

void LogLine(std::string_view line) {
    std::string text = "keywright: ";
    text += line;
    text += '\n';
    // One stdio call: the stream lock keeps concurrent lines whole.
    std::fwrite(text.data(), 1, text.size(), stderr);
}

} // namespace keywright::platform::lnx
