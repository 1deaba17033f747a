#include "platform/sim/SimTrace.h"

#include <mutex>

namespace keywright::sim {

void AppendHex(std::string& out, std::uint32_t value, int digits) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out.push_back(kDigits[(value >> shift) & 0xF]);
    }
}

void AppendHexBytes(std::string& out, const std::uint8_t* bytes, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        out.push_back(' ');
        AppendHex(out, bytes[i], 2);
    }
}

void WriteTraceLine(std::ostream& out, std::string_view line) {
    static std::mutex mutex;
    std::string whole(line);
    whole.push_back('\n');
    std::lock_guard lock(mutex);
    out.write(whole.data(), static_cast<std::streamsize>(whole.size()));
    out.flush();
}

} // namespace keywright::sim
