#pragma once

#include "platform/DeviceNotifications.h"

#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <windows.h>

namespace keywright::platform::win32 {

// Arrival and removal of device interfaces from WM_DEVICECHANGE, received by
// a message-only window on a thread of its own (so notifications come even
// while the UI thread is busy, and with no window of the program's).
// The window registers with RegisterDeviceNotificationW for the HID
// interface class and DEVICE_NOTIFY_ALL_INTERFACE_CLASSES, so interfaces of
// every class come, as the handler above expects; it filters by path.
// DBT_DEVICEARRIVAL and DBT_DEVICEREMOVECOMPLETE of interface records queue
// one change each with the interface path in lower case (see AsciiLower);
// every other message is ignored.
class Win32DeviceNotifications final : public DeviceNotifications {
  public:
    Win32DeviceNotifications();
    // Closes the window, ends its thread and waits for it; `wake` is not
    // called after this returns.
    ~Win32DeviceNotifications() override;

    // Once per object; a second call fails. Fails when the window or the
    // registration cannot be made (after logging why).
    bool Subscribe(Handler handler, std::function<void()> wake) override;
    void Dispatch() override;

    // The message-only window, for tests that deliver messages to it; null
    // before Subscribe succeeds.
    HWND Window() const { return window_; }

  private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    void Run(std::promise<bool>& started);
    void OnDeviceChange(WPARAM event, LPARAM record);

    std::thread thread_;
    HWND window_ = nullptr;
    Handler handler_;
    std::function<void()> wake_;
    std::mutex mutex_;
    std::deque<std::pair<DeviceChange, std::string>> queue_;
};

} // namespace keywright::platform::win32
