#include "device/HidDevice.h"

#include "device/HidDiscovery.h"

namespace keywright {
namespace {

unsigned Low32(platform::HidHandle handle) {
    return static_cast<unsigned>(handle);
}
unsigned Low32(const void* address) {
    return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(address));
}

} // namespace

HidDevice::HidDevice(platform::HidService& hid, platform::NamedLocks& locks, Trace trace)
    : hid_(hid), locks_(locks), trace_(std::move(trace)) {}

bool HidDevice::QueryCapabilities(const std::string& path, platform::HidCaps& caps) {
    // A query handle: no access rights, so it opens even where transfers
    // would be refused.
    const platform::HidOpenResult query =
        hid_.Open(path, 0, platform::kShareRead | platform::kShareWrite, false);
    if (!platform::IsOpenHandle(query.handle))
        return false;
    platform::HidAttributes attributes;
    hid_.GetAttributes(query.handle, attributes);
    platform::HidCaps read;
    if (hid_.GetCaps(query.handle, read))
        caps = read;
    hid_.Close(query.handle);
    return true;
}

bool HidDevice::Open(const std::optional<std::string>& path, OpenMode mode) {
    platform::NamedLockGuard lock(locks_, "HidDevice::Open");
    if (!path)
        return false;
    const platform::HidHandle old = handle_.exchange(platform::kNoHid);
    if (old != platform::kNoHid)
        hid_.Close(old);

    lastOpen_ = hid_.Open(*path, mode & 0xFF000000, mode & 0x000000FF, true);
    handle_ = lastOpen_.handle;
    trace_(TraceLine("open dev: %08x\n", Low32(lastOpen_.handle)));
    if (!platform::IsOpenHandle(lastOpen_.handle))
        return false;

    platform::HidCaps caps;
    {
        std::lock_guard capsLock(capsMutex_);
        caps = caps_;
    }
    if (QueryCapabilities(*path, caps)) {
        std::lock_guard capsLock(capsMutex_);
        caps_ = caps;
    }
    return true;
}

void HidDevice::Close() {
    platform::NamedLockGuard lock(locks_, "HidDevice::Close");
    const platform::HidHandle old = handle_.exchange(platform::kNoHid);
    if (platform::IsOpenHandle(old))
        hid_.Close(old);
}

bool HidDevice::SetFeature(const std::uint8_t* report) {
    platform::NamedLockGuard lock(locks_, "HidDevice::SetFeature");
    const platform::HidHandle handle = handle_;
    if (report == nullptr || handle == platform::kNoHid)
        return false;
    return hid_.SetFeature(handle, report, kReportLength);
}

bool HidDevice::GetFeature(std::uint8_t* report) {
    platform::NamedLockGuard lock(locks_, "HidDevice::GetFeature");
    const platform::HidHandle handle = handle_;
    if (report == nullptr || handle == platform::kNoHid)
        return false;
    return hid_.GetFeature(handle, report, kReportLength);
}

std::uint32_t HidDevice::Write(const std::uint8_t* report) {
    platform::NamedLockGuard lock(locks_, "HidDevice::Write");
    return WriteWithTimeout(report, kReportLength, kWriteTimeoutMs);
}

platform::HidCaps HidDevice::Caps() const {
    std::lock_guard capsLock(capsMutex_);
    return caps_;
}

std::uint32_t HidDevice::WriteWithTimeout(const std::uint8_t* data, std::size_t length,
                                          std::uint32_t timeoutMs) {
    const platform::HidHandle handle = handle_;
    std::uint32_t written = 0;
    if (length != 0 && data != nullptr && handle != platform::kNoHid) {
        trace_(TraceLine("写(异步)USB设备 handle=%08x, data=%08x, len=%d, timeout=%d\n",
                         Low32(handle), Low32(data), static_cast<int>(length),
                         static_cast<int>(timeoutMs)));
        const std::uint16_t outputLength = Caps().outputReportByteLength;
        if (outputLength != 0 && outputLength < length)
            length = outputLength;
        trace_(TraceLine("正在写入... %d\n", static_cast<int>(length)));

        const platform::HidWriteResult result = hid_.Write(handle, data, length, timeoutMs);
        if (result.start == platform::HidWriteResult::Start::Completed) {
            written = result.bytes;
        } else {
            trace_(
                TraceLine("写文件错误(%04x,%d)\n", Low32(handle), static_cast<int>(result.error)));
            if (result.start == platform::HidWriteResult::Start::Pending) {
                if (result.finished) {
                    trace_(TraceLine("asynchronous write succeed : %d\n", Low32(handle)));
                    written = result.bytes;
                } else {
                    trace_("超时索引错误\n");
                }
            }
        }
    }
    trace_(TraceLine("已写长度为 %d\n", static_cast<int>(written)));
    return written;
}

bool HidDevice::OpenMatching(std::int32_t vendorId, const std::int32_t* productIds,
                             std::int32_t productCount, std::int32_t interfaceNumber,
                             std::int32_t collectionNumber, OpenMode mode) {
    platform::NamedLockGuard lock(locks_, "HidDevice::Open");
    const std::vector<HidInterfaceInfo> found = EnumerateHidInterfaces(
        hid_, trace_, vendorId, productIds, productCount, interfaceNumber, collectionNumber);
    if (found.empty())
        return false;
    return Open(found.front().path, mode);
}

bool HidDevice::OpenById(std::int32_t vendorId, std::int32_t productId,
                         std::int32_t interfaceNumber, std::int32_t collectionNumber) {
    return OpenMatching(vendorId, &productId, productId != 0 ? 1 : 0, interfaceNumber,
                        collectionNumber, kReadWriteShared);
}

} // namespace keywright
