#pragma once

#include "platform/FilterService.h"
#include "platform/HandleTable.h"

namespace keywright::platform::win32 {

// The keyboard filter's control device by DeviceIoControl.
//
// Open is CreateFileW(deviceName, access, share, no security, OPEN_EXISTING,
// FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL); when the device is not there
// (the filter is not installed) it returns kInvalidFilter and says nothing:
// the caller runs without the filter. Handles are numbers from a HandleTable,
// as in Win32HidService.
//
// Every Control issues its request overlapped with a completion event of its
// own and waits on that event, and on the cancel signal when one is given:
// several requests may be outstanding on one handle, and the handle is
// signalled by whichever completes. A cancelled request is withdrawn
// (CancelIoEx of that request) and its completion collected before Control
// returns; one that completed in the meantime counts as Completed, so its
// answer is not lost. Close cancels every request still outstanding on the
// file, whichever thread issued it (theirs end as Failed), and the file is
// closed when the last of them has let go of it.
class Win32FilterService final : public FilterService {
  public:
    static constexpr const char* kDeviceName = "\\\\.\\vhidflt";

    Win32FilterService();
    ~Win32FilterService() override;

    // An auto-reset event.
    std::unique_ptr<CancelSignal> CreateCancelSignal() override;
    FilterHandle Open(const std::string& deviceName, std::uint32_t access,
                      std::uint32_t share) override;
    void Close(FilterHandle handle) override;
    ControlResult Control(FilterHandle handle, std::uint32_t code, const std::uint8_t* input,
                          std::size_t inputLength, std::uint8_t* output, std::size_t outputLength,
                          CancelSignal* cancel) override;

    // The file behind a handle, for tests that prepare it as a stand-in for
    // the filter; null when the handle is not open.
    void* NativeHandle(FilterHandle handle) const;

  private:
    struct OpenDevice;

    HandleTable<OpenDevice> devices_;
};

} // namespace keywright::platform::win32
