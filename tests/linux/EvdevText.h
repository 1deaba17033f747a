#pragma once

#include "platform/linux/EvdevEvent.h"

#include <cstdio>
#include <libevdev/libevdev.h>
#include <span>
#include <string>

namespace keywright::platform::lnx {

// Events as test expectations spell them: "KEY_A 1, KEY_LEFTSHIFT 0, SYN";
// "SYN" is SYN_REPORT, other codes by their kernel names, MSC_SCAN values
// in hex (they are HID usages: 0x70004 is keyboard A).
inline std::string EventsText(std::span<const EvdevEvent> events) {
    std::string text;
    for (const EvdevEvent& event : events) {
        if (!text.empty())
            text += ", ";
        if (event.type == EV_SYN && event.code == SYN_REPORT) {
            text += "SYN";
            continue;
        }
        const char* name = libevdev_event_code_get_name(event.type, event.code);
        text += name ? name : "?" + std::to_string(event.type) + ":" + std::to_string(event.code);
        if (event.type == EV_MSC && event.code == MSC_SCAN) {
            char hex[16];
            std::snprintf(hex, sizeof hex, " 0x%x", static_cast<unsigned>(event.value));
            text += hex;
        } else {
            text += ' ' + std::to_string(event.value);
        }
    }
    return text;
}

} // namespace keywright::platform::lnx
