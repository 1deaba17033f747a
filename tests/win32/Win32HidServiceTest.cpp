#include "platform/win32/Win32HidService.h"

#include "Win32TestSupport.h"

#include <algorithm>
#include <fstream>
#include <future>
#include <thread>

namespace keywright {
namespace {

using namespace platform;
using platform::win32::Win32HidService;
using test::PipeDevice;
using test::UniqueName;

constexpr std::uint32_t kReadWrite = kGenericRead | kGenericWrite;
constexpr std::uint32_t kShareBoth = kShareRead | kShareWrite;

std::vector<std::string> Paths(const std::vector<HidInterfaceEntry>& entries) {
    std::vector<std::string> paths;
    for (const HidInterfaceEntry& entry : entries)
        paths.push_back(entry.path);
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Both enumerations give the seam's form of every present HID interface, and
// the configuration manager is used only where it can list (on wine it
// cannot, and the SetupAPI list stands in).
TEST(Win32HidService, ListsEveryPresentHidInterfaceInTheSeamsForm) {
    Win32HidService hid;
    const std::vector<HidInterfaceEntry> listed = hid.ListInterfaces();
    if (listed.empty())
        GTEST_SKIP() << "no HID interface is present (wine offers its virtual keyboard and mouse "
                        "only while its desktop runs, which needs a display)";
    for (const HidInterfaceEntry& entry : listed) {
        SCOPED_TRACE(entry.path);
        EXPECT_TRUE(entry.path.starts_with("\\\\?\\hid#"));
        EXPECT_EQ(entry.path, win32::AsciiLower(entry.path));
        EXPECT_EQ(entry.interfaceClassGuid, kHidInterfaceClass);
        EXPECT_NE(entry.flags & kInterfaceActive, 0u);
    }
    const auto fromManager = Win32HidService::ListFromConfigurationManager();
    const auto fromSetupApi = Win32HidService::ListFromSetupApi();
    EXPECT_EQ(Paths(listed), Paths(fromManager ? *fromManager : fromSetupApi));
    EXPECT_EQ(Paths(fromSetupApi), Paths(listed));
}

// Every listed collection opens for queries alone (no access, as discovery
// opens it) and for transfers (the keyboard's open mode), and gives its
// attributes and capabilities either way.
TEST(Win32HidService, ListedInterfacesOpenAndGiveAttributesAndCaps) {
    Win32HidService hid;
    const std::vector<HidInterfaceEntry> listed = hid.ListInterfaces();
    if (listed.empty())
        GTEST_SKIP() << "no HID interface is present (wine offers its virtual keyboard and mouse "
                        "only while its desktop runs, which needs a display)";
    for (const HidInterfaceEntry& entry : listed) {
        for (const auto& [access, overlapped] : {std::pair{0u, false}, {kReadWrite, true}}) {
            SCOPED_TRACE(entry.path + " access " + std::to_string(access));
            const HidOpenResult open = hid.Open(entry.path, access, kShareBoth, overlapped);
            if (open.error == HidOpenError::PermissionDenied)
                continue; // a system keyboard or mouse, held by the system
            ASSERT_EQ(open.error, HidOpenError::None) << open.message;
            ASSERT_TRUE(IsOpenHandle(open.handle));
            HidAttributes attributes;
            EXPECT_TRUE(hid.GetAttributes(open.handle, attributes));
            EXPECT_NE(attributes.vendorId, 0);
            HidCaps caps;
            EXPECT_TRUE(hid.GetCaps(open.handle, caps));
            EXPECT_NE(caps.usagePage, 0);
            hid.Close(open.handle);
            EXPECT_FALSE(hid.GetAttributes(open.handle, attributes)) << "closed handle";
        }
    }
}

// Open hands access and share to the system as given, and sorts the failures
// the program words differently.
TEST(Win32HidService, OpenPassesAccessAndShareAndSortsFailures) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / UniqueName("open");
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "device").string();
    std::ofstream(file) << "x";

    Win32HidService hid;
    const HidOpenResult exclusive = hid.Open(file, kReadWrite, 0, true);
    ASSERT_EQ(exclusive.error, HidOpenError::None) << exclusive.message;

    struct Case {
        const char* what;
        std::string path;
        std::uint32_t access;
        HidOpenError error;
        const char* message;
    };
    const Case cases[] = {
        {"missing", (folder / "missing").string(), kReadWrite, HidOpenError::NotFound, "missing"},
        {"missing folder", (folder / "gone" / "x").string(), 0, HidOpenError::NotFound, "gone"},
        {"not shared", file, kGenericRead, HidOpenError::Other, "without sharing it"},
        {"a folder", folder.string(), kReadWrite, HidOpenError::PermissionDenied, "(5)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const HidOpenResult result = hid.Open(c.path, c.access, kShareBoth, true);
        EXPECT_EQ(result.handle, kInvalidHid);
        EXPECT_EQ(result.error, c.error);
        EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;
        hid.Close(result.handle);
    }
    hid.Close(exclusive.handle);
    const HidOpenResult reopened = hid.Open(file, kGenericRead, kShareBoth, false);
    EXPECT_EQ(reopened.error, HidOpenError::None) << "the exclusive open is gone with Close";
    hid.Close(reopened.handle);

    std::filesystem::remove_all(folder);
}

TEST(Win32HidService, HandlesThatAreNotOpenFailEveryCall) {
    Win32HidService hid;
    std::uint8_t report[8] = {7};
    for (const HidHandle handle : {kNoHid, kInvalidHid, HidHandle{12345}}) {
        SCOPED_TRACE(handle);
        HidAttributes attributes;
        HidCaps caps;
        EXPECT_FALSE(hid.GetAttributes(handle, attributes));
        EXPECT_FALSE(hid.GetCaps(handle, caps));
        EXPECT_FALSE(hid.SetFeature(handle, report, sizeof report));
        EXPECT_FALSE(hid.GetFeature(handle, report, sizeof report));
        const HidWriteResult write = hid.Write(handle, report, sizeof report, 100);
        EXPECT_EQ(write.start, HidWriteResult::Start::Failed);
        EXPECT_EQ(write.error, kErrorInvalidHandle);
        hid.Close(handle);
    }
}

// A write the device takes within the time limit reports its bytes; one it
// does not take is cancelled when the limit passes, and never reaches the
// device afterwards, so the next write starts clean.
TEST(Win32HidService, OverlappedWriteWithTimeLimitAndCancel) {
    PipeDevice device;
    ASSERT_TRUE(device.Valid());
    Win32HidService hid;
    const HidOpenResult open = hid.Open(device.Path(), kReadWrite, kShareBoth, true);
    ASSERT_EQ(open.error, HidOpenError::None) << open.message;
    ASSERT_TRUE(device.Accept());

    const std::uint8_t first[8] = {7, 1, 0, 0, 0, 0, 0, 0};
    const HidWriteResult late = hid.Write(open.handle, first, sizeof first, 50);
    EXPECT_EQ(late.start, HidWriteResult::Start::Pending);
    EXPECT_EQ(late.error, kErrorIoPending);
    EXPECT_FALSE(late.finished);
    EXPECT_EQ(late.bytes, 0u);

    const std::uint8_t second[8] = {7, 2, 3, 4, 5, 6, 7, 8};
    auto taken = std::async(std::launch::async, [&device] { return device.Read(); });
    const HidWriteResult inTime = hid.Write(open.handle, second, sizeof second, 60'000);
    EXPECT_TRUE(inTime.start == HidWriteResult::Start::Pending ||
                inTime.start == HidWriteResult::Start::Completed);
    EXPECT_TRUE(inTime.finished || inTime.start == HidWriteResult::Start::Completed);
    EXPECT_EQ(inTime.bytes, 8u);
    EXPECT_EQ(taken.get(), std::string(reinterpret_cast<const char*>(second), sizeof second));
    hid.Close(open.handle);
}

// A collection without feature reports refuses them, and the refusal is a
// plain false (wine's virtual keyboard and mouse are such collections).
TEST(Win32HidService, FeatureReportsOnACollectionWithoutThemFail) {
    Win32HidService hid;
    for (const HidInterfaceEntry& entry : hid.ListInterfaces()) {
        const HidOpenResult open = hid.Open(entry.path, kReadWrite, kShareBoth, true);
        if (open.error != HidOpenError::None)
            continue;
        HidCaps caps;
        const bool none = hid.GetCaps(open.handle, caps) && caps.featureReportByteLength == 0;
        if (none) {
            std::uint8_t report[8] = {7, 1, 2, 3, 4, 5, 6, 7};
            EXPECT_FALSE(hid.SetFeature(open.handle, report, sizeof report)) << entry.path;
            EXPECT_FALSE(hid.GetFeature(open.handle, report, sizeof report)) << entry.path;
        }
        hid.Close(open.handle);
        if (none)
            return;
    }
    GTEST_SKIP() << "no present HID collection that opens is without feature reports";
}

} // namespace
} // namespace keywright
