#pragma once

#include "platform/linux/EvdevEvent.h"
#include "platform/linux/EvdevUsageTable.h"
#include "platform/linux/FilterKeyTable.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <vector>

namespace keywright::platform::lnx {

// A key event as the filter reports it: the key's usage and whether it went
// down (true) or up.
struct KeyReport {
    HidUsage usage;
    bool down = false;

    friend bool operator==(const KeyReport&, const KeyReport&) = default;
};

// What the filter does with one event of a keyboard's event node.
struct NodeFilterOutput {
    std::vector<KeyReport> reports;
    // For the node's pass-through device: whole frames, each ending with
    // SYN_REPORT.
    std::vector<EvdevEvent> passThrough;
    // The panic chord is down: the caller must let every node of the
    // keyboard go (Release, ungrab) and grab none again, so the keyboard
    // belongs to the system whatever the filter or the program got wrong.
    bool panic = false;
};

// The panic chord: Backspace, Escape and Enter held together, checked on the
// physical keys before any key table, so no assignment can hide it. Rare in
// typing (Enter would have to go down while both others are held), and each
// key is on every keyboard layout.
bool IsPanicChord(const std::set<std::uint16_t>& keysDown);

// The decisions of the keyboard filter for one evdev node of the keyboard,
// without any device: the caller feeds it the node's events and carries out
// what it returns (KeyboardFilterReader is that caller).
//
// Grab. Grabbing a node while one of its keys is down would leave that key
// down for the rest of the system, which never sees it go up; so the node is
// grabbed only while none of its keys is down. Until then the filter only
// follows the key state and decides nothing: every event reaches the system
// directly, nothing is reported, nothing passed through. ShouldGrab says when
// to try; the caller then grabs, reads the node's key state once more (a key
// may have gone down in between) and gives it to ConfirmGrab, which keeps the
// grab only when no key is down.
//
// Grabbed:
//   - A key going down is reported, with the usage hid-input gave with it
//     (the MSC_SCAN just before it, when on the keyboard, consumer or generic-
//     desktop page) or else the usage EvdevUsageTable gives its code. A key
//     without a usage (a mouse button of the keyboard's mouse collection) is
//     not reported.
//   - It is held back when the key table holds its usage back; otherwise it
//     is passed through, with the MSC_SCAN that came with it.
//   - A key going up takes the way its down took, whatever the key table says
//     by then, and is reported with the usage its down had: a key passed down
//     is released on the pass-through device even when it entered the table
//     while held. An up whose down came before the grab is dropped.
//   - Autorepeat (value 2) is not reported (a HID keyboard sends no repeats;
//     the program repeats on its own where it wants to); it is passed through
//     for keys passed through, so the console's repeat keeps working.
//   - Other input (EV_REL, EV_ABS, EV_SW, other EV_MSC) is passed through.
//     EV_LED, EV_SND and force feedback travel from the system to the device,
//     not the other way, and are dropped here.
//   - The key that completes the panic chord (IsPanicChord) is neither
//     reported nor passed; the output says panic instead.
//   - SYN_REPORT ends a frame; frames left empty are not passed on.
//     SYN_DROPPED discards the frame being built (the kernel lost events),
//     except the ups of keys down on the pass-through device, which go out
//     with the next frame.
// Not thread-safe.
class KeyboardNodeFilter {
  public:
    // `keysDown`: the node's key state when it was opened.
    explicit KeyboardNodeFilter(std::span<const std::uint16_t> keysDown);

    bool Grabbed() const { return grabbed_; }
    // Not grabbed and no key down.
    bool ShouldGrab() const { return !grabbed_ && down_.empty(); }
    // The caller has grabbed the node and read `keysDownNow` after the grab.
    // True: the grab holds. False: a key is down; the caller must release the
    // grab, and ShouldGrab turns true again once the keys are up.
    bool ConfirmGrab(std::span<const std::uint16_t> keysDownNow);

    NodeFilterOutput Handle(const EvdevEvent& event, const FilterKeyTable& table);

    // The node is being let go (closed, or gone, maybe in the middle of a
    // frame): releases on the pass-through device every key passed down and
    // not yet up there, and reports an up for
    // every key reported down and not yet up. Afterwards the filter is not
    // grabbed and holds no key.
    NodeFilterOutput Release();

  private:
    struct Route {
        std::optional<HidUsage> usage; // reported with this usage
        bool passed = false;           // passed through, not held back
    };

    void HandleKey(const EvdevEvent& event, const FilterKeyTable& table, NodeFilterOutput& out);
    std::optional<HidUsage> UsageOf(std::uint16_t code) const;

    bool grabbed_ = false;
    std::set<std::uint16_t> down_;            // keys down on the node
    std::map<std::uint16_t, Route> routes_;   // keys that went down while grabbed
    std::set<std::uint16_t> passedDown_;      // keys down on the pass-through device
    std::vector<EvdevEvent> frame_;           // pass-through events since the last SYN_REPORT
    std::optional<std::int32_t> pendingScan_; // MSC_SCAN waiting for its key
};

} // namespace keywright::platform::lnx
