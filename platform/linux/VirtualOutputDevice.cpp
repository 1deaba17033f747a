#include "platform/linux/VirtualOutputDevice.h"

#include "platform/linux/EvdevUsageTable.h"
#include "platform/linux/UdevEventSource.h"
#include "platform/linux/WindowsErrors.h"

#include <cerrno>
#include <libevdev/libevdev.h>
#include <libudev.h>
#include <linux/input.h>
#include <poll.h>

namespace keywright::platform::lnx {

class VirtualOutputDevice::Writer {
  public:
    bool attached = true; // guarded by the device's mutex
};

namespace {

constexpr const char* kDeviceName = "Keywright virtual input";

struct EvdevFree {
    void operator()(libevdev* device) const { libevdev_free(device); }
};

std::unique_ptr<libevdev, EvdevFree> Describe() {
    std::unique_ptr<libevdev, EvdevFree> description(libevdev_new());
    if (!description)
        return nullptr;
    libevdev_set_name(description.get(), kDeviceName);
    libevdev_set_id_bustype(description.get(), BUS_VIRTUAL);
    libevdev_set_id_vendor(description.get(), kVirtualDeviceVendorId);
    libevdev_set_id_product(description.get(), kVirtualDeviceProductId);
    libevdev_set_id_version(description.get(), 1);
    for (const std::uint16_t key : KeysWithUsage())
        libevdev_enable_event_code(description.get(), EV_KEY, key, nullptr);
    for (unsigned bit = 0; bit < kMouseButtonBits; ++bit)
        libevdev_enable_event_code(description.get(), EV_KEY, *MouseButtonKey(bit), nullptr);
    for (const unsigned axis : {REL_X, REL_Y, REL_WHEEL})
        libevdev_enable_event_code(description.get(), EV_REL, axis, nullptr);
    // The kernel's own key repeat, as a real keyboard has: without it a key
    // held on this device does not repeat on the text console (a desktop
    // repeats by itself and ignores these). The kernel's defaults.
    const int delayMs = 250;
    const int periodMs = 33;
    libevdev_enable_event_code(description.get(), EV_REP, REP_DELAY, &delayMs);
    libevdev_enable_event_code(description.get(), EV_REP, REP_PERIOD, &periodMs);
    return description;
}

// udevd's announcements of input devices, heard from the moment this is
// made (before the device is), so the one awaited cannot slip by. Hears
// nothing where udevd does not run: nobody processes the device there.
class UdevAnnouncements {
  public:
    UdevAnnouncements() {
        if (std::string_view(UdevEventSource()) != "udev" || (udev_ = udev_new()) == nullptr)
            return;
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (monitor_ != nullptr &&
            (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "input", nullptr) < 0 ||
             udev_monitor_enable_receiving(monitor_) < 0)) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
        }
    }
    ~UdevAnnouncements() {
        if (monitor_ != nullptr)
            udev_monitor_unref(monitor_);
        if (udev_ != nullptr)
            udev_unref(udev_);
    }
    UdevAnnouncements(const UdevAnnouncements&) = delete;
    UdevAnnouncements& operator=(const UdevAnnouncements&) = delete;

    // Until udevd announces an event node under `sysPath`, or `limit`
    // passes: a bound, since a device udevd never announces must not stop
    // the program.
    void WaitForEventNode(const std::string& sysPath, std::chrono::milliseconds limit) {
        if (monitor_ == nullptr || sysPath.empty())
            return;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd fd{udev_monitor_get_fd(monitor_), POLLIN, 0};
            if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
                return;
            while (udev_device* device = udev_monitor_receive_device(monitor_)) {
                const char* path = udev_device_get_syspath(device);
                const bool ours = path != nullptr && udev_device_get_devnode(device) != nullptr &&
                                  std::string_view(path).starts_with(sysPath + "/");
                udev_device_unref(device);
                if (ours)
                    return;
            }
        }
    }

  private:
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

} // namespace

bool VirtualOutputDevice::IsPath(std::string_view path) {
    return EqualsIgnoringCase(path, kPath);
}

HidAttributes VirtualOutputDevice::Attributes() {
    return {kVirtualDeviceVendorId, kVirtualDeviceProductId, 1};
}

HidCaps VirtualOutputDevice::Caps() {
    HidCaps caps;
    caps.usage = kVirtualDeviceUsage;
    caps.usagePage = kVirtualDeviceUsagePage;
    caps.outputReportByteLength = kOutputReportLength;
    return caps;
}

VirtualOutputDevice::VirtualOutputDevice(std::string uinputPath, SinkMaker makeSink, Clock& clock)
    : uinputPath_(std::move(uinputPath)), makeSink_(std::move(makeSink)), clock_(clock) {}

VirtualOutputDevice::~VirtualOutputDevice() {
    std::optional<Clock::TimePoint> last;
    {
        std::lock_guard lock(mutex_);
        last = lastEvent_;
    }
    if (last)
        clock_.SleepUntil(*last + kLinger);
}

bool VirtualOutputDevice::EmitLocked(std::span<const EvdevEvent> events, int& error) {
    const bool emitted = device_->Emit(events, error);
    lastEvent_ = clock_.Now();
    return emitted;
}

std::shared_ptr<VirtualOutputDevice::Writer> VirtualOutputDevice::Attach(HidOpenError& error,
                                                                         std::string& message) {
    std::lock_guard lock(mutex_);
    if (!device_) {
        int problem = ENOMEM;
        if (makeSink_) {
            device_ = makeSink_(problem);
        } else if (const auto description = Describe()) {
            UdevAnnouncements announcements;
            auto made = UinputDevice::Create(uinputPath_, *description, problem);
            if (made)
                announcements.WaitForEventNode(made->SysPath(), kReadyLimit);
            device_ = std::move(made);
        }
        if (!device_) {
            error = problem == EACCES || problem == EPERM    ? HidOpenError::PermissionDenied
                    : problem == ENOENT || problem == ENODEV ? HidOpenError::NotFound
                                                             : HidOpenError::Other;
            message = DescribeUinputProblem(uinputPath_, problem);
            return nullptr;
        }
    }
    ++writers_;
    return std::make_shared<Writer>();
}

void VirtualOutputDevice::Detach(Writer& writer) {
    std::lock_guard lock(mutex_);
    if (!writer.attached)
        return;
    writer.attached = false;
    if (--writers_ > 0 || !device_)
        return;
    const std::vector<EvdevEvent> release = decoder_.ReleaseAll();
    int error = 0;
    if (!release.empty())
        EmitLocked(release, error);
}

HidWriteResult VirtualOutputDevice::Write(Writer& writer, const std::uint8_t* report,
                                          std::size_t length) {
    using Start = HidWriteResult::Start;
    std::lock_guard lock(mutex_);
    if (!writer.attached || !device_)
        return {Start::Failed, kErrorInvalidHandle, false, 0};
    if (report == nullptr || (length != kVirtualPacketLength && length != kOutputReportLength))
        return {Start::Failed, kErrorInvalidParameter, false, 0};
    const DecodedPacket packet = decoder_.Decode({report, kVirtualPacketLength});
    if (packet.verdict != PacketVerdict::Decoded)
        return {Start::Failed, kErrorInvalidParameter, false, 0};
    int error = 0;
    if (!packet.events.empty() && !EmitLocked(packet.events, error))
        return {Start::Failed, WindowsErrorFromErrno(error), false, 0};
    return {Start::Completed, 0, false, static_cast<std::uint32_t>(length)};
}

} // namespace keywright::platform::lnx
