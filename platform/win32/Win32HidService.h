#pragma once

#include "platform/HandleTable.h"
#include "platform/HidService.h"

#include <memory>
#include <optional>

namespace keywright::platform::win32 {

// HID through HID.DLL, SetupAPI and the configuration manager.
//
// ListInterfaces asks the configuration manager for the present interfaces of
// the HID class (CM_Get_Device_Interface_List); where that call fails (it is
// a stub on some systems, wine among them) it enumerates them with SetupAPI
// instead. Both give the same entries: the path in lower case (see
// AsciiLower), the HID interface class, and the interface flags (the
// configuration manager lists present interfaces only, which count as
// active).
//
// Open is CreateFileW(path, access, share, no security, OPEN_EXISTING,
// FILE_FLAG_OVERLAPPED when asked | FILE_ATTRIBUTE_NORMAL). The file handle
// stays with the service; callers get a small number from a HandleTable, so
// a handle already closed can only miss. Close takes the number out at once
// and cancels every transfer still running on the file (they end as failed);
// the file is closed when the last of them has let go of it.
//
// Write sends one output report: on a handle opened overlapped it waits for
// the write at most `timeoutMs`, and a write still running then is cancelled
// and its completion collected before Write returns (finished stays false).
// Each write has its own completion event, so writes from several threads on
// one handle do not take each other's completions. On a handle opened without
// FILE_FLAG_OVERLAPPED the write is synchronous: Completed or Failed, with no
// time limit (the system cannot cancel it).
class Win32HidService final : public HidService {
  public:
    Win32HidService();
    ~Win32HidService() override;

    std::vector<HidInterfaceEntry> ListInterfaces() override;
    HidOpenResult Open(const std::string& path, std::uint32_t access, std::uint32_t share,
                       bool overlapped) override;
    void Close(HidHandle handle) override;

    bool GetAttributes(HidHandle handle, HidAttributes& attributes) override;
    bool GetCaps(HidHandle handle, HidCaps& caps) override;

    bool SetFeature(HidHandle handle, const std::uint8_t* report, std::size_t length) override;
    bool GetFeature(HidHandle handle, std::uint8_t* report, std::size_t length) override;
    HidWriteResult Write(HidHandle handle, const std::uint8_t* report, std::size_t length,
                         std::uint32_t timeoutMs) override;

    // The two enumerations ListInterfaces chooses between, for tests: nullopt
    // when the configuration manager cannot list.
    static std::optional<std::vector<HidInterfaceEntry>> ListFromConfigurationManager();
    static std::vector<HidInterfaceEntry> ListFromSetupApi();

  private:
    struct OpenFile;

    HandleTable<OpenFile> files_;
};

} // namespace keywright::platform::win32
