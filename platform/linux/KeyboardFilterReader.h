#pragma once

#include "base/OnceLog.h"
#include "platform/linux/FilterControl.h"
#include "platform/linux/KeyboardEventNodes.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct udev;
struct udev_monitor;

namespace keywright::platform::lnx {

// The keyboard filter's thread: it watches the event nodes of the filtered
// keyboards and carries out what KeyboardNodeFilter decides for each.
//
// Nodes: those present when the thread starts, and those udev announces
// while it runs (a keyboard plugged in later; without udevd the kernel's
// uevents announce it, UdevEventSource); a node that fails a read
// (unplugged) is let go. Each node gets a pass-through uinput device with
// the node's own name (plus " (Keywright pass-through)"), ids and events,
// except autorepeat (the repeats of the node are passed through instead, so
// they are not made twice) and force feedback. A node whose pass-through
// device cannot be made is left alone, never grabbed: grabbing it would take
// the keyboard away from the system. LED changes the system makes on the
// pass-through device (Caps Lock, Num Lock) are written on to the node, since
// a grabbed node receives none of its own.
//
// Grabbing (EVIOCGRAB, through libevdev) is tried when KeyboardNodeFilter
// asks for it and every event the node had is read, and is kept only when
// the key state read right after it shows no key down.
//
// The panic chord (IsPanicChord) on any node lets every node go, its held
// keys released and reported up, and nothing is grabbed again until the
// filter is opened anew: the keyboard then belongs to the system alone.
//
// Key reports go to FilterControl; the key table is FilterControl's. When the
// reader stops, each node releases on its pass-through device what it holds,
// is ungrabbed and closed; a node that goes away while the reader runs also
// reports an up for each key it reported down.
//
// One poll() over an eventfd (stop), the udev monitor and every node's and
// pass-through device's descriptor: no wakeups while nothing happens.
class KeyboardFilterReader {
  public:
    KeyboardFilterReader(FilterControl& control, std::string uinputPath,
                         std::vector<FilteredKeyboard> keyboards, OnceLog& log);
    // Stops the thread and lets every node go.
    ~KeyboardFilterReader();
    KeyboardFilterReader(const KeyboardFilterReader&) = delete;
    KeyboardFilterReader& operator=(const KeyboardFilterReader&) = delete;

    // Starts the thread; false, after logging why, when it cannot. From here
    // on the process ignores the terminal's stop signals (SIGTSTP, SIGTTIN,
    // SIGTTOU): stopped, it would hold the keyboard dead. Should no udev
    // monitor be made, it still runs, on the nodes present at the start.
    bool Start();

    // Waits until at least `count` nodes are grabbed; false when `patience`
    // (real time) ran out first. For tests, which must know the grab holds
    // before they press keys it is to hold back.
    bool WaitForGrabs(std::size_t count, std::chrono::milliseconds patience);
    // Waits until no node is grabbed (after the panic chord, for tests).
    bool WaitForNoGrab(std::chrono::milliseconds patience);

  private:
    struct Node;

    void Run();
    void AddNode(const std::string& devnode);
    void Watch(); // one udev monitor message
    // Reads what the node has; false when the node is gone.
    bool Drain(Node& node);
    void Feed(Node& node, const EvdevEvent& event, const FilterKeyTable& table);
    void TryGrab(Node& node);
    void ForwardLeds(Node& node);
    // `gone`: the node went away by itself (nothing to ungrab).
    // `reportUps`: an up is reported for each key reported down.
    void LetGo(Node& node, bool gone, bool reportUps);
    void LetGo(Node& node, bool gone) { LetGo(node, gone, gone); }
    // The panic chord: every node let go, none grabbed again.
    void Panic();
    void CountGrab(bool grabbed);

    FilterControl& control_;
    const std::string uinputPath_;
    const std::vector<FilteredKeyboard> keyboards_;
    OnceLog& log_;

    int stopFd_ = -1;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;          // null without hot-plug
    std::vector<std::unique_ptr<Node>> nodes_; // the thread's own
    bool panicked_ = false;                    // the thread's own
    std::thread thread_;

    std::mutex grabsMutex_;
    std::condition_variable grabsChanged_;
    std::size_t grabs_ = 0; // nodes grabbed now; guarded by grabsMutex_
};

} // namespace keywright::platform::lnx
