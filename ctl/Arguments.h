#pragma once

#include "base/KeyCode.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keywright::ctl {

constexpr int kOk = 0;
constexpr int kFailed = 1;     // the work could not be done (file, transfer)
constexpr int kUsage = 2;      // bad arguments
constexpr int kNoKeyboard = 3; // no supported keyboard connected
constexpr int kNoAccess = 4;   // a keyboard is there, but may not be opened

// A whole decimal number within [low, high]; nullopt for anything else.
inline std::optional<int> ParseNumber(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

// A key code in hex ("0x70004" or "70004"), not 0.
inline std::optional<KeyCode> ParseKeyCode(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    KeyCode code = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code, 16);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || code == 0)
        return std::nullopt;
    return code;
}

// Prints "keywright-ctl: <problem>" and the usage text; returns kUsage.
int Usage(const std::string& problem);

} // namespace keywright::ctl
