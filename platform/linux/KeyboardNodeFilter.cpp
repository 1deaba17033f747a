#include "platform/linux/KeyboardNodeFilter.h"

#include <linux/input-event-codes.h>

namespace keywright::platform::lnx {
namespace {

constexpr std::int32_t kKeyUp = 0;
constexpr std::int32_t kKeyDown = 1;
constexpr std::int32_t kKeyRepeat = 2;

// hid-input gives the full usage (page << 16 | usage) as MSC_SCAN; a page the
// program has key codes for is taken as it is.
std::optional<HidUsage> UsageFromScan(std::int32_t scan) {
    const auto value = static_cast<std::uint32_t>(scan);
    const auto page = static_cast<std::uint16_t>(value >> 16);
    if (page != kKeyboardPage && page != kConsumerPage && page != kGenericDesktopPage)
        return std::nullopt;
    return HidUsage{page, static_cast<std::uint16_t>(value & 0xFFFF)};
}

} // namespace

bool IsPanicChord(const std::set<std::uint16_t>& keysDown) {
    return keysDown.contains(KEY_BACKSPACE) && keysDown.contains(KEY_ESC) &&
           keysDown.contains(KEY_ENTER);
}

KeyboardNodeFilter::KeyboardNodeFilter(std::span<const std::uint16_t> keysDown)
    : down_(keysDown.begin(), keysDown.end()) {}

bool KeyboardNodeFilter::ConfirmGrab(std::span<const std::uint16_t> keysDownNow) {
    if (!keysDownNow.empty()) {
        down_.insert(keysDownNow.begin(), keysDownNow.end());
        grabbed_ = false;
        return false;
    }
    down_.clear();
    grabbed_ = true;
    frame_.clear();
    pendingScan_.reset();
    return true;
}

std::optional<HidUsage> KeyboardNodeFilter::UsageOf(std::uint16_t code) const {
    if (pendingScan_)
        if (const auto usage = UsageFromScan(*pendingScan_))
            return usage;
    return UsageForKey(code);
}

void KeyboardNodeFilter::HandleKey(const EvdevEvent& event, const FilterKeyTable& table,
                                   NodeFilterOutput& out) {
    const std::uint16_t code = event.code;
    if (event.value == kKeyDown)
        down_.insert(code);
    else if (event.value == kKeyUp)
        down_.erase(code);
    if (!grabbed_)
        return;
    if (event.value == kKeyDown && IsPanicChord(down_)) {
        out.panic = true;
        return;
    }

    const auto pass = [&](const std::optional<std::int32_t>& scan, std::int32_t value) {
        if (scan)
            frame_.push_back({EV_MSC, MSC_SCAN, *scan});
        frame_.push_back({EV_KEY, code, value});
    };
    const auto route = routes_.find(code);
    switch (event.value) {
    case kKeyDown: {
        if (route != routes_.end())
            break; // already down: nothing new
        Route added;
        added.usage = UsageOf(code);
        added.passed = !(added.usage && table.HoldsBack(*added.usage));
        if (added.usage)
            out.reports.push_back({*added.usage, true});
        if (added.passed)
            pass(pendingScan_, kKeyDown);
        routes_.emplace(code, added);
        break;
    }
    case kKeyUp:
        if (route == routes_.end())
            break; // went down before the grab
        if (route->second.usage)
            out.reports.push_back({*route->second.usage, false});
        if (route->second.passed)
            pass(pendingScan_, kKeyUp);
        routes_.erase(route);
        break;
    case kKeyRepeat:
        if (route != routes_.end() && route->second.passed)
            pass(std::nullopt, kKeyRepeat);
        break;
    default:
        break;
    }
}

NodeFilterOutput KeyboardNodeFilter::Handle(const EvdevEvent& event, const FilterKeyTable& table) {
    NodeFilterOutput out;
    switch (event.type) {
    case EV_SYN:
        if (event.code == SYN_REPORT && grabbed_ && !frame_.empty()) {
            out.passThrough = std::move(frame_);
            out.passThrough.push_back(event);
            for (const EvdevEvent& passed : out.passThrough) {
                if (passed.type != EV_KEY)
                    continue;
                if (passed.value == kKeyDown)
                    passedDown_.insert(passed.code);
                else if (passed.value == kKeyUp)
                    passedDown_.erase(passed.code);
            }
        }
        if (event.code == SYN_REPORT) {
            frame_.clear();
        } else if (event.code == SYN_DROPPED) {
            // The ups of keys down on the pass-through device survive: their
            // routes are gone, so nothing else would ever release them.
            std::erase_if(frame_, [&](const EvdevEvent& dropped) {
                return !(dropped.type == EV_KEY && dropped.value == kKeyUp &&
                         passedDown_.contains(dropped.code));
            });
        }
        if (event.code == SYN_REPORT || event.code == SYN_DROPPED)
            pendingScan_.reset();
        return out;
    case EV_MSC:
        if (event.code == MSC_SCAN) {
            pendingScan_ = event.value;
            return out;
        }
        break;
    case EV_KEY:
        HandleKey(event, table, out);
        pendingScan_.reset();
        return out;
    case EV_LED:
    case EV_SND:
    case EV_FF:
    case EV_PWR:
    case EV_FF_STATUS:
        return out;
    default:
        break;
    }
    if (grabbed_)
        frame_.push_back(event);
    return out;
}

NodeFilterOutput KeyboardNodeFilter::Release() {
    NodeFilterOutput out;
    // Keys routed to the pass-through device, and keys whose up was still
    // waiting in the unfinished frame: their routes are gone already.
    std::set<std::uint16_t> release = passedDown_;
    for (const auto& [code, route] : routes_) {
        if (route.usage)
            out.reports.push_back({*route.usage, false});
        if (route.passed)
            release.insert(code);
    }
    for (const std::uint16_t code : release)
        out.passThrough.push_back({EV_KEY, code, kKeyUp});
    if (!out.passThrough.empty())
        out.passThrough.push_back({EV_SYN, SYN_REPORT, 0});
    routes_.clear();
    passedDown_.clear();
    frame_.clear();
    pendingScan_.reset();
    grabbed_ = false;
    return out;
}

} // namespace keywright::platform::lnx
