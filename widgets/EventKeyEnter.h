#pragma once

#include <string_view>

namespace keywright::widgets {

// The event an SEditEx raises for each key-down of Enter. It carries, as
// every ui::Event, the sending edit, its control ID and its name; it reaches
// the edit's own subscribers first, then the host window's handler.
struct EventKeyEnter {
    static constexpr int kId = 10000500;
    static constexpr std::string_view kName = "on_key_enter";
};

} // namespace keywright::widgets
