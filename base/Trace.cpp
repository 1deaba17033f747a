#include "base/Trace.h"

#include <iostream>

namespace keywright {

Trace StdoutTrace() {
    return [](std::string_view line) {
        std::cout << line << std::flush;
    };
}

} // namespace keywright
