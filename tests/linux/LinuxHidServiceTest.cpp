#include "platform/linux/LinuxHidService.h"

#include "platform/linux/HidrawPath.h"
#include "platform/linux/LinuxBackend.h"
#include "platform/linux/VirtualOutputDevice.h"
#include "support/LogCheck.h"

#include <chrono>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <string>

namespace keywright::platform::lnx {
namespace {

const std::string kClass = "#{4d1e55b2-f16f-11cf-88cb-001111000030}";

// There are no hidraw nodes on the build machines; the device tests run in a
// VM. Here: enumeration works, and everything that needs no device.
TEST(LinuxHidService, ListsWhatIsPresent) {
    test::AllowLog noUinput("uinput");
    LinuxHidService service;
    for (const HidInterfaceEntry& entry : service.ListInterfaces()) {
        SCOPED_TRACE(entry.path);
        EXPECT_TRUE(ParseInterfacePath(entry.path).has_value() ||
                    VirtualOutputDevice::IsPath(entry.path));
        EXPECT_EQ(entry.interfaceClassGuid, kHidInterfaceClass);
        EXPECT_EQ(entry.flags, kInterfaceActive);
    }
}

TEST(LinuxHidService, OpenRefusesPathsThatAreNotPresentHidrawCollections) {
    LinuxHidService service;
    const std::string cases[] = {
        "",
        "/dev/null",
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#../../dev/null&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#hidraw999999999&0007" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01#hidraw999999999&0001" + kClass,
        "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#7&2a1b3c4d&0&0006" + kClass,
    };
    for (const std::uint32_t access : {0u, kGenericRead | kGenericWrite}) {
        for (const std::string& path : cases) {
            SCOPED_TRACE(path);
            const HidOpenResult result = service.Open(path, access, kShareRead | kShareWrite, true);
            EXPECT_EQ(result.handle, kInvalidHid);
            EXPECT_EQ(result.error, HidOpenError::NotFound);
            EXPECT_TRUE(result.message.starts_with("device: ")) << result.message;
        }
    }
}

TEST(LinuxHidService, UnknownHandlesFailEveryOperation) {
    LinuxHidService service;
    for (const HidHandle handle : {kNoHid, kInvalidHid, HidHandle{1}, HidHandle{12345}}) {
        SCOPED_TRACE(handle);
        HidAttributes attributes;
        HidCaps caps;
        std::uint8_t report[8] = {7};
        EXPECT_FALSE(service.GetAttributes(handle, attributes));
        EXPECT_FALSE(service.GetCaps(handle, caps));
        EXPECT_FALSE(service.SetFeature(handle, report, sizeof report));
        EXPECT_FALSE(service.GetFeature(handle, report, sizeof report));
        const HidWriteResult write = service.Write(handle, report, sizeof report, 100);
        EXPECT_EQ(write.start, HidWriteResult::Start::Failed);
        EXPECT_EQ(write.error, 6u); // ERROR_INVALID_HANDLE
        service.Close(handle);
    }
}

TEST(LinuxBackend, ServicesStartAndStop) {
    test::AllowLog noUinput("uinput");
    test::AllowLog noUdev("system: cannot");
    auto backend = CreateLinuxBackend();
    ASSERT_NE(backend, nullptr);
    backend->Hid().ListInterfaces();
    {
        auto lock = backend->Locks().Open("LinuxBackendTest");
        lock->Lock();
        lock->Unlock();
    }
    std::filesystem::remove("/tmp/" + LinuxNamedLocks::LockFileName("LinuxBackendTest"));

    // Without udevd (containers) nothing ever arrives, but subscribing and
    // tearing down must work; with it, a change may come in at any time.
    bool subscribed =
        backend->Notifications().Subscribe([](DeviceChange, const std::string&) {}, [] {});
    if (subscribed) {
        test::ExpectLog twice("bug: device notifications subscribed twice");
        EXPECT_FALSE(backend->Notifications().Subscribe({}, {})) << "subscribed twice";
    }
    backend->Notifications().Dispatch();
    auto destroyed = std::async(std::launch::async, [&] { backend.reset(); });
    EXPECT_EQ(destroyed.wait_for(std::chrono::seconds(10)), std::future_status::ready)
        << "the watcher thread did not stop";
}

} // namespace
} // namespace keywright::platform::lnx
