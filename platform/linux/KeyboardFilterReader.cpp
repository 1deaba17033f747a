#include "platform/linux/KeyboardFilterReader.h"

#include "platform/linux/UdevEventSource.h"
#include "platform/linux/UinputDevice.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <libudev.h>
#include <linux/input.h>
#include <optional>
#include <poll.h>
#include <string_view>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <system_error>
#include <unistd.h>

namespace keywright::platform::lnx {
namespace {

// At most this many events are read from one node per wakeup, so a node that
// floods cannot starve the others or the stop request.
constexpr int kEventsPerTurn = 512;

constexpr const char* kPassThroughSuffix = " (Keywright pass-through)";

struct EvdevFree {
    void operator()(libevdev* device) const { libevdev_free(device); }
};
using Evdev = std::unique_ptr<libevdev, EvdevFree>;

std::string Errno(int error) {
    return std::strerror(error);
}

// The pass-through device: the source's name, ids, events and properties,
// without autorepeat (see KeyboardFilterReader) and force feedback.
Evdev DescribePassThrough(const libevdev& source) {
    Evdev copy(libevdev_new());
    if (!copy)
        return nullptr;
    const char* name = libevdev_get_name(&source);
    libevdev_set_name(copy.get(),
                      (std::string(name ? name : "keyboard") + kPassThroughSuffix).c_str());
    libevdev_set_id_bustype(copy.get(), libevdev_get_id_bustype(&source));
    libevdev_set_id_vendor(copy.get(), libevdev_get_id_vendor(&source));
    libevdev_set_id_product(copy.get(), libevdev_get_id_product(&source));
    libevdev_set_id_version(copy.get(), libevdev_get_id_version(&source));
    for (const unsigned type : {EV_KEY, EV_REL, EV_ABS, EV_MSC, EV_SW, EV_LED, EV_SND}) {
        if (!libevdev_has_event_type(&source, type))
            continue;
        const int max = libevdev_event_type_get_max(type);
        for (int code = 0; code <= max; ++code) {
            const auto c = static_cast<unsigned>(code);
            if (!libevdev_has_event_code(&source, type, c))
                continue;
            const void* data = type == EV_ABS ? libevdev_get_abs_info(&source, c) : nullptr;
            libevdev_enable_event_code(copy.get(), type, c, data);
        }
    }
    for (unsigned property = 0; property <= INPUT_PROP_MAX; ++property)
        if (libevdev_has_property(&source, property))
            libevdev_enable_property(copy.get(), property);
    return copy;
}

std::vector<std::uint16_t> KeysDown(const libevdev& device) {
    std::vector<std::uint16_t> keys;
    for (unsigned code = 0; code <= KEY_MAX; ++code)
        if (libevdev_has_event_code(&device, EV_KEY, code) &&
            libevdev_get_event_value(&device, EV_KEY, code) != 0)
            keys.push_back(static_cast<std::uint16_t>(code));
    return keys;
}

// The node's key state as the kernel has it now; nothing when it cannot be read.
std::optional<std::vector<std::uint16_t>> KernelKeysDown(int fd) {
    constexpr std::size_t kBits = sizeof(unsigned long) * CHAR_BIT;
    std::array<unsigned long, (KEY_CNT + kBits - 1) / kBits> bits{};
    if (::ioctl(fd, EVIOCGKEY(sizeof bits), bits.data()) < 0)
        return std::nullopt;
    std::vector<std::uint16_t> keys;
    for (std::size_t code = 0; code < KEY_CNT; ++code)
        if (bits[code / kBits] & (1UL << (code % kBits)))
            keys.push_back(static_cast<std::uint16_t>(code));
    return keys;
}

} // namespace

struct KeyboardFilterReader::Node {
    std::string devnode;
    int fd = -1;
    bool writable = false; // LED changes can be written to it
    Evdev evdev;
    std::unique_ptr<UinputDevice> passThrough;
    std::optional<KeyboardNodeFilter> filter;

    ~Node() {
        passThrough.reset();
        evdev.reset();
        if (fd >= 0)
            ::close(fd);
    }
};

KeyboardFilterReader::KeyboardFilterReader(FilterControl& control, std::string uinputPath,
                                           std::vector<FilteredKeyboard> keyboards, OnceLog& log)
    : control_(control), uinputPath_(std::move(uinputPath)), keyboards_(std::move(keyboards)),
      log_(log) {}

KeyboardFilterReader::~KeyboardFilterReader() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        // An eventfd write of 1 cannot block or fail short of overflow.
        [[maybe_unused]] const ssize_t n = ::write(stopFd_, &one, sizeof one);
        thread_.join();
    }
    for (const auto& node : nodes_)
        LetGo(*node, false);
    nodes_.clear();
    if (stopFd_ >= 0)
        ::close(stopFd_);
    if (monitor_)
        udev_monitor_unref(monitor_);
    if (udev_)
        udev_unref(udev_);
}

bool KeyboardFilterReader::Start() {
    // A stopped process would keep the keyboard grabbed and pass nothing
    // through: the keyboard would be dead until someone resumed it. Ctrl-Z
    // typed through the pass-through into the terminal that started us sends
    // SIGTSTP, and a background job reading or writing that terminal gets
    // SIGTTIN or SIGTTOU; none of them may stop a process that grabs. For the
    // whole process and for good: the grab may come back with the next open.
    // (SIGSTOP cannot be ignored; no key sends it.)
    for (const int signal : {SIGTSTP, SIGTTIN, SIGTTOU})
        std::signal(signal, SIG_IGN);

    stopFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (stopFd_ < 0) {
        log_.Log("system: cannot create an eventfd for the keyboard filter: " + Errno(errno));
        return false;
    }
    udev_ = udev_new();
    if (udev_ == nullptr) {
        log_.Log("system: cannot create a udev context: " + Errno(errno) +
                 "; the keyboard filter sees no keyboard");
        return false;
    }
    monitor_ = udev_monitor_new_from_netlink(udev_, UdevEventSource());
    if (monitor_ == nullptr ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "input", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        log_.Log("system: cannot watch udev for input devices; the keyboard filter takes only the "
                 "keyboards present when it opens");
        if (monitor_)
            udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
    try {
        thread_ = std::thread(&KeyboardFilterReader::Run, this);
    } catch (const std::system_error& error) {
        log_.Log("system: cannot start the keyboard filter thread: " + std::string(error.what()));
        return false;
    }
    return true;
}

void KeyboardFilterReader::Run() {
    // Receiving is on before the scan (Start), so a node that appears
    // meanwhile is found by one or the other; AddNode takes each node once.
    std::vector<std::string> problems;
    for (const std::string& devnode : ScanFilteredEventNodes(udev_, keyboards_, problems))
        AddNode(devnode);
    for (const std::string& problem : problems)
        log_.Log(problem);

    std::vector<pollfd> fds;
    for (;;) {
        fds.clear();
        fds.push_back({stopFd_, POLLIN, 0});
        fds.push_back({monitor_ ? udev_monitor_get_fd(monitor_) : -1, POLLIN, 0});
        for (const auto& node : nodes_) {
            fds.push_back({node->fd, POLLIN, 0});
            fds.push_back({node->passThrough->Fd(), POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            log_.Log("system: the keyboard filter cannot poll its devices: " + Errno(errno) +
                     "; it stops filtering");
            // Nobody would pass the keys of a grabbed node on any more.
            for (const auto& node : nodes_)
                LetGo(*node, true);
            nodes_.clear();
            return;
        }
        if (fds[0].revents != 0)
            return;

        std::vector<Node*> gone;
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            Node& node = *nodes_[i];
            if (fds[2 + 2 * i].revents != 0 && !Drain(node))
                gone.push_back(&node);
            if (fds[3 + 2 * i].revents & POLLIN)
                ForwardLeds(node);
        }
        for (Node* node : gone) {
            LetGo(*node, true);
            std::erase_if(nodes_, [&](const auto& owned) { return owned.get() == node; });
        }

        if (fds[1].revents & POLLIN) {
            Watch();
        } else if (fds[1].revents != 0) {
            log_.Log("system: the udev monitor closed; keyboards plugged in from now on are not "
                     "filtered until the filter reopens");
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
        }
    }
}

void KeyboardFilterReader::Watch() {
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (device == nullptr)
        return; // a message that was not for us, or a short read
    const char* actionText = udev_device_get_action(device);
    const std::string_view action = actionText ? actionText : "";
    if (action == "add") {
        if (const auto devnode = FilteredEventNode(device, keyboards_))
            AddNode(*devnode);
    } else if (action == "remove") {
        // Usually the node's read has failed already; this covers a node
        // that went while nothing was read from it.
        const char* devnode = udev_device_get_devnode(device);
        const auto it = std::find_if(nodes_.begin(), nodes_.end(), [&](const auto& node) {
            return devnode != nullptr && node->devnode == devnode;
        });
        if (it != nodes_.end()) {
            LetGo(**it, true);
            nodes_.erase(it);
        }
    }
    udev_device_unref(device);
}

void KeyboardFilterReader::AddNode(const std::string& devnode) {
    for (const auto& node : nodes_)
        if (node->devnode == devnode)
            return;

    auto node = std::make_unique<Node>();
    node->devnode = devnode;
    node->fd = ::open(devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    node->writable = node->fd >= 0;
    if (node->fd < 0 && (errno == EACCES || errno == EPERM))
        node->fd = ::open(devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (node->fd < 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM)
            log_.Log("system: cannot open " + devnode + " (" + Errno(error) +
                     "): the keyboard filter cannot read the keyboard. Install "
                     "packaging/linux/70-keywright.rules (`sudo keywright-setup-uinput` does) "
                     "and replug the keyboard");
        else if (error != ENOENT && error != ENODEV)
            log_.Log("device: cannot open " + devnode + ": " + Errno(error));
        return;
    }
    libevdev* evdev = nullptr;
    if (const int result = libevdev_new_from_fd(node->fd, &evdev); result < 0) {
        log_.Log("device: cannot read " + devnode + " as an input device: " + Errno(-result));
        return;
    }
    node->evdev.reset(evdev);

    const Evdev description = DescribePassThrough(*node->evdev);
    int error = ENOMEM;
    if (description)
        node->passThrough = UinputDevice::Create(uinputPath_, *description, error);
    if (!node->passThrough) {
        log_.Log(DescribeUinputProblem(uinputPath_, error) + "; until then the keyboard (" +
                 devnode + ") is not filtered");
        return;
    }
    const std::vector<std::uint16_t> keysDown = KeysDown(*node->evdev);
    node->filter.emplace(keysDown);
    TryGrab(*node);
    nodes_.push_back(std::move(node));
}

bool KeyboardFilterReader::Drain(Node& node) {
    const std::shared_ptr<const FilterKeyTable> table = control_.Table();
    unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
    for (int read = 0; read < kEventsPerTurn; ++read) {
        input_event event{};
        const int result = libevdev_next_event(node.evdev.get(), flags, &event);
        if (result == LIBEVDEV_READ_STATUS_SUCCESS || result == LIBEVDEV_READ_STATUS_SYNC) {
            // SYNC: the kernel dropped events (SYN_DROPPED, then libevdev's
            // catch-up events until -EAGAIN).
            if (result == LIBEVDEV_READ_STATUS_SYNC)
                flags = LIBEVDEV_READ_FLAG_SYNC;
            Feed(node, {event.type, event.code, event.value}, *table);
        } else if (result == -EAGAIN) {
            if (flags == LIBEVDEV_READ_FLAG_NORMAL)
                break;
            flags = LIBEVDEV_READ_FLAG_NORMAL;
        } else if (result != -EINTR) {
            return false;
        }
    }
    TryGrab(node);
    return true;
}

void KeyboardFilterReader::Feed(Node& node, const EvdevEvent& event, const FilterKeyTable& table) {
    const NodeFilterOutput out = node.filter->Handle(event, table);
    for (const KeyReport& report : out.reports)
        if (!control_.Push(report))
            log_.Log("system: key events came faster than the program took them; the oldest were "
                     "dropped");
    int error = 0;
    if (!out.passThrough.empty() && !node.passThrough->Emit(out.passThrough, error))
        log_.Log("system: the pass-through device of " + node.devnode +
                 " refused input: " + Errno(error));
    if (out.panic)
        Panic();
}

void KeyboardFilterReader::Panic() {
    log_.Log("system: the panic chord (Backspace + Escape + Enter) was held: the keyboard "
             "filter gives the keyboard back to the system until it is opened again");
    panicked_ = true;
    // The program sees every key it was told about go up.
    for (const auto& node : nodes_)
        LetGo(*node, false, true);
}

void KeyboardFilterReader::TryGrab(Node& node) {
    if (panicked_ || !node.filter->ShouldGrab())
        return;
    // Events still to be read may hold a key down; the next Drain tries again.
    if (libevdev_has_event_pending(node.evdev.get()) != 0)
        return;
    if (const int result = libevdev_grab(node.evdev.get(), LIBEVDEV_GRAB); result < 0) {
        log_.Log("device: cannot grab " + node.devnode + " (" + Errno(-result) +
                 "); its keys reach the system unfiltered until it can");
        return;
    }
    const auto keysDown = KernelKeysDown(node.fd);
    if (!keysDown || !node.filter->ConfirmGrab(*keysDown))
        libevdev_grab(node.evdev.get(), LIBEVDEV_UNGRAB);
    else
        CountGrab(true);
}

void KeyboardFilterReader::CountGrab(bool grabbed) {
    {
        std::lock_guard lock(grabsMutex_);
        if (grabbed)
            ++grabs_;
        else
            --grabs_;
    }
    grabsChanged_.notify_all();
}

bool KeyboardFilterReader::WaitForGrabs(std::size_t count, std::chrono::milliseconds patience) {
    std::unique_lock lock(grabsMutex_);
    return grabsChanged_.wait_for(lock, patience, [&] { return grabs_ >= count; });
}

bool KeyboardFilterReader::WaitForNoGrab(std::chrono::milliseconds patience) {
    std::unique_lock lock(grabsMutex_);
    return grabsChanged_.wait_for(lock, patience, [&] { return grabs_ == 0; });
}

void KeyboardFilterReader::ForwardLeds(Node& node) {
    for (int read = 0; read < kEventsPerTurn; ++read) {
        input_event event{};
        const ssize_t n = ::read(node.passThrough->Fd(), &event, sizeof event);
        if (n != static_cast<ssize_t>(sizeof event))
            return;
        if (event.type != EV_LED || !node.writable)
            continue;
        input_event records[2]{};
        records[0].type = EV_LED;
        records[0].code = event.code;
        records[0].value = event.value;
        records[1].type = EV_SYN;
        records[1].code = SYN_REPORT;
        [[maybe_unused]] const ssize_t written = ::write(node.fd, records, sizeof records);
    }
}

void KeyboardFilterReader::LetGo(Node& node, bool gone, bool reportUps) {
    const bool grabbed = node.filter->Grabbed();
    const NodeFilterOutput out = node.filter->Release();
    if (reportUps)
        for (const KeyReport& report : out.reports)
            control_.Push(report);
    int error = 0;
    if (!out.passThrough.empty())
        node.passThrough->Emit(out.passThrough, error);
    if (!gone)
        libevdev_grab(node.evdev.get(), LIBEVDEV_UNGRAB);
    if (grabbed)
        CountGrab(false);
}

} // namespace keywright::platform::lnx
