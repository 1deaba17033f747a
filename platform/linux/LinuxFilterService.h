#pragma once

#include "base/OnceLog.h"
#include "platform/FilterService.h"
#include "platform/linux/FilterControl.h"
#include "platform/linux/KeyboardEventNodes.h"
#include "platform/linux/UinputDevice.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace keywright::platform::lnx {

class KeyboardFilterReader;

struct LinuxFilterOptions {
    // The uinput node the pass-through devices are made through.
    std::string uinputPath = kUinputPath;
    std::vector<FilteredKeyboard> keyboards{kFilteredKeyboards.begin(), kFilteredKeyboards.end()};
};

// The keyboard filter as a service of the Linux back end, answering the
// control requests of "\\.\vhidflt" (FilterControl) with the keyboards' evdev
// nodes (KeyboardFilterReader, KeyboardNodeFilter): every key event of the
// filtered keyboards is reported, the keys of the key table are held back,
// every other event is passed through a uinput device, so the keyboard keeps
// working.
//
// Open takes the name "\\.\vhidflt" (any case); access and share are
// accepted and ignored. It fails (kInvalidFilter) for any other name, and
// when /dev/uinput is not usable, since without pass-through devices the
// filter could hold nothing back (why is said once on standard error). A
// keyboard need not be present: its nodes are taken when they appear.
//
// The first open handle starts the filter; closing the last one stops it:
// every node is released on its pass-through device, ungrabbed and closed,
// and the events still queued are dropped. So closing and opening again
// starts afresh, and takes the keyboard as it is now. The key table stays.
class LinuxFilterService final : public FilterService {
  public:
    static constexpr const char* kDeviceName = "\\\\.\\vhidflt";

    LinuxFilterService();
    explicit LinuxFilterService(LinuxFilterOptions options);
    ~LinuxFilterService() override;

    std::unique_ptr<CancelSignal> CreateCancelSignal() override;
    FilterHandle Open(const std::string& deviceName, std::uint32_t access,
                      std::uint32_t share) override;
    void Close(FilterHandle handle) override;
    ControlResult Control(FilterHandle handle, std::uint32_t code, const std::uint8_t* input,
                          std::size_t inputLength, std::uint8_t* output, std::size_t outputLength,
                          CancelSignal* cancel) override;

    // For tests, which must know where the filter stands before they act:
    // FilterControl::WaitForKeyWaits on this filter's requests, and
    // KeyboardFilterReader::WaitForGrabs and WaitForNoGrab on its reader
    // (false at once while no handle is open; Open and Close wait meanwhile).
    bool WaitForKeyWaits(std::size_t count, std::chrono::milliseconds patience) const;
    bool WaitForGrabs(std::size_t count, std::chrono::milliseconds patience);
    bool WaitForNoGrab(std::chrono::milliseconds patience);

  private:
    const LinuxFilterOptions options_;
    FilterControl control_;
    OnceLog log_;
    std::mutex lifecycle_; // serialises starting and stopping the reader
    std::unique_ptr<KeyboardFilterReader>
        reader_; // guarded by lifecycle_; set while a handle is open
};

} // namespace keywright::platform::lnx
