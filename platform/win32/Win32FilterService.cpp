#include "platform/win32/Win32FilterService.h"

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Handle.h"

namespace keywright::platform::win32 {
namespace {

class EventCancelSignal final : public CancelSignal {
  public:
    EventCancelSignal() : event_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    void Set() override { SetEvent(event_.Get()); }
    void Reset() override { ResetEvent(event_.Get()); }
    HANDLE Event() const { return event_.Get(); }

  private:
    Win32Handle event_;
};

} // namespace

struct Win32FilterService::OpenDevice {
    Win32Handle file;
};

Win32FilterService::Win32FilterService() = default;
Win32FilterService::~Win32FilterService() = default;

std::unique_ptr<CancelSignal> Win32FilterService::CreateCancelSignal() {
    return std::make_unique<EventCancelSignal>();
}

FilterHandle Win32FilterService::Open(const std::string& deviceName, std::uint32_t access,
                                      std::uint32_t share) {
    Win32Handle file(CreateFileW(ToWide(deviceName).c_str(), access, share, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return kInvalidFilter;
    auto device = std::make_shared<OpenDevice>();
    device->file = std::move(file);
    return devices_.Insert(std::move(device));
}

void Win32FilterService::Close(FilterHandle handle) {
    if (const auto device = devices_.Remove(handle))
        CancelIoEx(device->file.Get(), nullptr);
}

void* Win32FilterService::NativeHandle(FilterHandle handle) const {
    const auto device = devices_.Find(handle);
    return device ? device->file.Get() : nullptr;
}

ControlResult Win32FilterService::Control(FilterHandle handle, std::uint32_t code,
                                          const std::uint8_t* input, std::size_t inputLength,
                                          std::uint8_t* output, std::size_t outputLength,
                                          CancelSignal* cancel) {
    const auto device = devices_.Find(handle);
    if (!device || inputLength > MAXDWORD || outputLength > MAXDWORD)
        return ControlResult::Failed;
    const HANDLE file = device->file.Get();
    Win32Handle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done)
        return ControlResult::Failed;
    OVERLAPPED overlapped{};
    overlapped.hEvent = done.Get();
    DWORD bytes = 0;
    // DeviceIoControl takes a writable input buffer but, for buffered
    // requests, only reads it.
    void* in = const_cast<std::uint8_t*>(input);
    if (DeviceIoControl(file, code, in, static_cast<DWORD>(inputLength), output,
                        static_cast<DWORD>(outputLength), &bytes, &overlapped))
        return ControlResult::Completed;
    if (GetLastError() != ERROR_IO_PENDING)
        return ControlResult::Failed;

    const auto* signal = dynamic_cast<EventCancelSignal*>(cancel);
    const HANDLE waits[] = {done.Get(), signal != nullptr ? signal->Event() : nullptr};
    const DWORD waited = WaitForMultipleObjects(signal != nullptr ? 2 : 1, waits, FALSE, INFINITE);
    if (waited == WAIT_OBJECT_0)
        return GetOverlappedResult(file, &overlapped, &bytes, TRUE) ? ControlResult::Completed
                                                                    : ControlResult::Failed;
    // Cancelled (or the wait itself failed): the request must be finished
    // with before its OVERLAPPED and buffers go out of scope.
    CancelIoEx(file, &overlapped);
    if (GetOverlappedResult(file, &overlapped, &bytes, TRUE))
        return ControlResult::Completed;
    return waited == WAIT_OBJECT_0 + 1 ? ControlResult::Cancelled : ControlResult::Failed;
}

} // namespace keywright::platform::win32
