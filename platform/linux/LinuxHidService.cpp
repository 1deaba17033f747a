#include "platform/linux/LinuxHidService.h"

#include "platform/linux/FileDescriptor.h"
#include "platform/linux/HidrawNode.h"
#include "platform/linux/HidrawPath.h"
#include "platform/linux/TimedWriter.h"
#include "platform/linux/VirtualOutputDevice.h"
#include "platform/linux/WindowsErrors.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace keywright::platform::lnx {

struct LinuxHidService::OpenCollection {
    std::string node; // "hidraw3", for messages
    HidAttributes attributes;
    HidCaps caps;
    std::shared_ptr<FileDescriptor> fd;  // null: opened for queries only
    std::unique_ptr<TimedWriter> writer; // null without write access
    // Set on handles of the virtual output device opened with write access.
    std::shared_ptr<VirtualOutputDevice::Writer> virtualWriter;
    std::atomic<bool> closed{false};
};

namespace {

// The ioctl number holds the buffer size in 14 bits.
constexpr std::size_t kMaxFeatureLength = (1u << 14) - 1;

std::string Lowercase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", value);
    return text;
}

HidOpenResult OpenFailure(HidOpenError error, std::string message) {
    return {kInvalidHid, error, std::move(message)};
}

int Ioctl(int fd, unsigned long request, void* argument) {
    int result = 0;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    return result;
}

} // namespace

LinuxHidService::LinuxHidService() : LinuxHidService(std::make_unique<VirtualOutputDevice>()) {}

LinuxHidService::LinuxHidService(std::unique_ptr<VirtualOutputDevice> virtualDevice)
    : virtualDevice_(std::move(virtualDevice)) {}

LinuxHidService::~LinuxHidService() = default;

std::vector<HidInterfaceEntry> LinuxHidService::ListInterfaces() {
    HidrawScan scan = ScanHidrawNodes();
    for (const std::string& problem : scan.problems)
        log_.Log(problem);
    std::vector<HidInterfaceEntry> entries;
    for (const HidrawNode& node : scan.nodes)
        for (std::string& path : node.Paths())
            entries.push_back({std::move(path), kHidInterfaceClass, kInterfaceActive});
    entries.push_back(
        {std::string(VirtualOutputDevice::kPath), kHidInterfaceClass, kInterfaceActive});
    return entries;
}

HidOpenResult LinuxHidService::OpenVirtualDevice(std::uint32_t access) {
    auto open = std::make_shared<OpenCollection>();
    open->node = "uinput";
    open->attributes = VirtualOutputDevice::Attributes();
    open->caps = VirtualOutputDevice::Caps();
    if (access & kGenericWrite) {
        HidOpenError error = HidOpenError::None;
        std::string message;
        open->virtualWriter = virtualDevice_->Attach(error, message);
        if (!open->virtualWriter) {
            log_.Log(message + "; until then assigned keys produce nothing");
            return OpenFailure(error, std::move(message));
        }
    }
    return {handles_.Insert(std::move(open)), HidOpenError::None, {}};
}

HidOpenResult LinuxHidService::Open(const std::string& path, std::uint32_t access,
                                    std::uint32_t /*share*/, bool /*overlapped*/) {
    if (VirtualOutputDevice::IsPath(path))
        return OpenVirtualDevice(access);
    const std::optional<HidrawPathTarget> target = ParseInterfacePath(path);
    if (!target)
        return OpenFailure(HidOpenError::NotFound,
                           "device: " + path + " is not a hidraw interface path");

    std::string problem;
    const std::optional<HidrawNode> node = FindHidrawNode(target->node, problem);
    if (!problem.empty())
        log_.Log(problem);
    if (!node)
        return OpenFailure(HidOpenError::NotFound,
                           "device: " + path + " is not present (no " + target->node + ")");
    const std::vector<std::string> paths = node->Paths();
    if (target->collectionIndex >= paths.size() ||
        paths[target->collectionIndex] != Lowercase(path))
        return OpenFailure(HidOpenError::NotFound, "device: " + path + " is not present (" +
                                                       target->node +
                                                       " now belongs to another device)");

    auto open = std::make_shared<OpenCollection>();
    open->node = target->node;
    open->attributes = {node->identity.vendorId, node->identity.productId, node->versionNumber};
    open->caps = node->layout.collections[target->collectionIndex];

    const bool read = (access & kGenericRead) != 0;
    const bool write = (access & kGenericWrite) != 0;
    if (read || write) {
        const std::string file = "/dev/" + target->node;
        const int mode = read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
        const int fd = ::open(file.c_str(), mode | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            const std::string what = "cannot open " + file + " (vid_" +
                                     Hex4(node->identity.vendorId) + " pid_" +
                                     Hex4(node->identity.productId) + "): " + std::strerror(error);
            if (error == EACCES || error == EPERM)
                return OpenFailure(
                    HidOpenError::PermissionDenied,
                    "system: " + what +
                        ". Let the logged-in user open it with a udev rule, for example "
                        "/etc/udev/rules.d/70-keywright.rules holding the line\n"
                        "    KERNEL==\"hidraw*\", ATTRS{idVendor}==\"" +
                        Hex4(node->identity.vendorId) +
                        "\", TAG+=\"uaccess\"\n"
                        "then run `udevadm control --reload && udevadm trigger` as root, or "
                        "unplug and replug the keyboard.");
            if (error == ENOENT || error == ENODEV || error == ENXIO)
                return OpenFailure(HidOpenError::NotFound, "device: " + what);
            return OpenFailure(HidOpenError::Other, "device: " + what);
        }
        open->fd = std::make_shared<FileDescriptor>(fd);
        if (write)
            open->writer = std::make_unique<TimedWriter>(open->fd);
    }
    return {handles_.Insert(std::move(open)), HidOpenError::None, {}};
}

void LinuxHidService::Close(HidHandle handle) {
    if (const auto open = handles_.Remove(handle)) {
        open->closed = true;
        if (open->virtualWriter)
            virtualDevice_->Detach(*open->virtualWriter);
    }
}

bool LinuxHidService::GetAttributes(HidHandle handle, HidAttributes& attributes) {
    const auto open = handles_.Find(handle);
    if (!open || open->closed)
        return false;
    attributes = open->attributes;
    return true;
}

bool LinuxHidService::GetCaps(HidHandle handle, HidCaps& caps) {
    const auto open = handles_.Find(handle);
    if (!open || open->closed)
        return false;
    caps = open->caps;
    return true;
}

bool LinuxHidService::SetFeature(HidHandle handle, const std::uint8_t* report, std::size_t length) {
    const auto open = handles_.Find(handle);
    if (!open || !open->fd || open->closed || report == nullptr || length == 0 ||
        length > kMaxFeatureLength)
        return false;
    // The ioctl takes a writable buffer; the caller's report is const.
    std::vector<std::uint8_t> buffer(report, report + length);
    return Ioctl(open->fd->Get(), HIDIOCSFEATURE(length), buffer.data()) >= 0;
}

bool LinuxHidService::GetFeature(HidHandle handle, std::uint8_t* report, std::size_t length) {
    const auto open = handles_.Find(handle);
    if (!open || !open->fd || open->closed || report == nullptr || length == 0 ||
        length > kMaxFeatureLength)
        return false;
    const int n = Ioctl(open->fd->Get(), HIDIOCGFEATURE(length), report);
    if (n < 0)
        return false;
    if (static_cast<std::size_t>(n) < length)
        std::memset(report + n, 0, length - static_cast<std::size_t>(n));
    return true;
}

HidWriteResult LinuxHidService::Write(HidHandle handle, const std::uint8_t* report,
                                      std::size_t length, std::uint32_t timeoutMs) {
    const auto open = handles_.Find(handle);
    if (!open || open->closed)
        return {HidWriteResult::Start::Failed, kErrorInvalidHandle, false, 0};
    if (open->virtualWriter)
        return virtualDevice_->Write(*open->virtualWriter, report, length);
    if (!open->writer)
        return {HidWriteResult::Start::Failed, kErrorAccessDenied, false, 0};
    return open->writer->Write(report, length, timeoutMs);
}

} // namespace keywright::platform::lnx
