#include "platform/win32/Win32DeviceNotifications.h"

#include "base/Log.h"
#include "platform/Guid.h"
#include "platform/win32/WideText.h"

#include <cstddef>
#include <cwchar>
#include <dbt.h>

namespace keywright::platform::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"KeywrightDeviceNotifications";

GUID HidInterfaceClass() {
    GUID guid{};
    guid.Data1 = kHidInterfaceClass.data1;
    guid.Data2 = kHidInterfaceClass.data2;
    guid.Data3 = kHidInterfaceClass.data3;
    for (std::size_t i = 0; i < kHidInterfaceClass.data4.size(); ++i)
        guid.Data4[i] = kHidInterfaceClass.data4[i];
    return guid;
}

} // namespace

Win32DeviceNotifications::Win32DeviceNotifications() = default;

Win32DeviceNotifications::~Win32DeviceNotifications() {
    if (!thread_.joinable())
        return;
    // WM_CLOSE destroys the window, whose WM_DESTROY ends the thread's loop.
    PostMessageW(window_, WM_CLOSE, 0, 0);
    thread_.join();
}

bool Win32DeviceNotifications::Subscribe(Handler handler, std::function<void()> wake) {
    if (thread_.joinable())
        return false;
    handler_ = std::move(handler);
    wake_ = std::move(wake);
    std::promise<bool> started;
    std::future<bool> ready = started.get_future();
    thread_ = std::thread([this, &started] { Run(started); });
    if (ready.get())
        return true;
    thread_.join();
    return false;
}

void Win32DeviceNotifications::Run(std::promise<bool>& started) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    // A second object of this class in the process finds it registered.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        LogLine("system: cannot register the device notification window class: " +
                DescribeError(GetLastError()));
        started.set_value(false);
        return;
    }
    window_ =
        CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this);
    if (window_ == nullptr) {
        LogLine("system: cannot create the device notification window: " +
                DescribeError(GetLastError()));
        started.set_value(false);
        return;
    }
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = HidInterfaceClass();
    const HDEVNOTIFY registration = RegisterDeviceNotificationW(
        window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE | DEVICE_NOTIFY_ALL_INTERFACE_CLASSES);
    if (registration == nullptr) {
        LogLine("system: cannot register for device notifications: " +
                DescribeError(GetLastError()));
        DestroyWindow(window_);
        window_ = nullptr;
        started.set_value(false);
        return;
    }
    started.set_value(true);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    UnregisterDeviceNotification(registration);
}

LRESULT CALLBACK Win32DeviceNotifications::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self =
        reinterpret_cast<Win32DeviceNotifications*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_DEVICECHANGE:
        if (self != nullptr)
            self->OnDeviceChange(wParam, lParam);
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void Win32DeviceNotifications::OnDeviceChange(WPARAM event, LPARAM record) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)
        return;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(record);
    if (header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
        header->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_W))
        return;
    const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    // The name fills the record to its end; it need not be terminated there.
    const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    const std::size_t capacity = (header->dbch_size - nameOffset) / sizeof(wchar_t);
    const std::wstring_view name(device->dbcc_name, wcsnlen(device->dbcc_name, capacity));
    const DeviceChange change =
        event == DBT_DEVICEARRIVAL ? DeviceChange::Arrival : DeviceChange::Removal;
    {
        std::lock_guard lock(mutex_);
        queue_.emplace_back(change, AsciiLower(ToUtf8(name)));
    }
    if (wake_)
        wake_();
}

void Win32DeviceNotifications::Dispatch() {
    std::deque<std::pair<DeviceChange, std::string>> changes;
    {
        std::lock_guard lock(mutex_);
        changes.swap(queue_);
    }
    for (const auto& [change, path] : changes) {
        if (handler_)
            handler_(change, path);
    }
}

} // namespace keywright::platform::win32
