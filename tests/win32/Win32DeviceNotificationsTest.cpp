#include "platform/win32/Win32DeviceNotifications.h"

#include "Win32TestSupport.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <dbt.h>
#include <utility>
#include <vector>

namespace keywright {
namespace {

using platform::DeviceChange;
using platform::win32::Win32DeviceNotifications;

// WM_DEVICECHANGE as the system sends it for a device interface: the record
// ends with the interface path.
LRESULT SendInterfaceChange(HWND window, WPARAM event, const std::wstring& path,
                            DWORD type = DBT_DEVTYP_DEVICEINTERFACE) {
    const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    std::vector<std::byte> record(nameOffset + (path.size() + 1) * sizeof(wchar_t));
    auto* header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(record.data());
    header->dbcc_size = static_cast<DWORD>(record.size());
    header->dbcc_devicetype = type;
    std::memcpy(record.data() + nameOffset, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    return SendMessageW(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(header));
}

struct Recorded {
    std::vector<std::pair<DeviceChange, std::string>> changes;
};

// The message-only window registers under wine as under Windows; its
// arrivals and removals of interfaces reach the handler, in order and only
// on Dispatch, with the path in the lower-case form the discovery rules
// match, and everything else the message carries is ignored.
TEST(Win32DeviceNotifications, InterfaceChangesReachTheHandlerOnDispatch) {
    Recorded recorded;
    std::atomic<int> wakes{0};
    Win32DeviceNotifications notifications;
    ASSERT_TRUE(notifications.Subscribe(
        [&](DeviceChange change, const std::string& path) {
            recorded.changes.emplace_back(change, path);
        },
        [&] { ++wakes; }));
    const HWND window = notifications.Window();
    ASSERT_NE(window, nullptr);

    const std::wstring keyboard = L"\\\\?\\HID#VID_1A2C&PID_9FF6&MI_01&Col07#8&2b1d9f6&0&0006#"
                                  L"{4d1e55b2-f16f-11cf-88cb-001111000030}";
    SendInterfaceChange(window, DBT_DEVICEARRIVAL, keyboard);
    SendInterfaceChange(window, DBT_DEVICEQUERYREMOVE, keyboard);
    SendInterfaceChange(window, DBT_DEVICEARRIVAL, L"\\\\.\\E:", DBT_DEVTYP_VOLUME);
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    SendInterfaceChange(window, DBT_DEVICEREMOVECOMPLETE, keyboard);
    // SendMessage returns once the window's thread has handled the message.
    EXPECT_EQ(wakes.load(), 2);
    EXPECT_TRUE(recorded.changes.empty()) << "changes wait for Dispatch";

    notifications.Dispatch();
    const std::string path = "\\\\?\\hid#vid_1a2c&pid_9ff6&mi_01&col07#8&2b1d9f6&0&0006#"
                             "{4d1e55b2-f16f-11cf-88cb-001111000030}";
    const std::vector<std::pair<DeviceChange, std::string>> expected = {
        {DeviceChange::Arrival, path}, {DeviceChange::Removal, path}};
    EXPECT_EQ(recorded.changes, expected);
    notifications.Dispatch();
    EXPECT_EQ(recorded.changes.size(), 2u) << "each change is delivered once";
}

TEST(Win32DeviceNotifications, SubscribesOnceAndStopsWithTheObject) {
    auto notifications = std::make_unique<Win32DeviceNotifications>();
    ASSERT_TRUE(notifications->Subscribe([](DeviceChange, const std::string&) {}, [] {}));
    EXPECT_FALSE(notifications->Subscribe([](DeviceChange, const std::string&) {}, [] {}));
    const HWND window = notifications->Window();
    notifications.reset();
    EXPECT_FALSE(IsWindow(window));
    // A second watcher in the same process registers its window again.
    Win32DeviceNotifications again;
    EXPECT_TRUE(again.Subscribe([](DeviceChange, const std::string&) {}, [] {}));
}

} // namespace
} // namespace keywright
