#include "platform/win32/Win32HidService.h"

#include "platform/win32/HidHeaders.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Handle.h"

#include <cfgmgr32.h>
#include <setupapi.h>

namespace keywright::platform::win32 {
namespace {

Guid FromWindows(const GUID& guid) {
    Guid result;
    result.data1 = guid.Data1;
    result.data2 = guid.Data2;
    result.data3 = guid.Data3;
    for (std::size_t i = 0; i < result.data4.size(); ++i)
        result.data4[i] = guid.Data4[i];
    return result;
}

GUID HidClass() {
    GUID guid{};
    HidD_GetHidGuid(&guid);
    return guid;
}

} // namespace

struct Win32HidService::OpenFile {
    Win32Handle file;
    bool overlapped = false;
};

Win32HidService::Win32HidService() = default;
Win32HidService::~Win32HidService() = default;

std::optional<std::vector<HidInterfaceEntry>> Win32HidService::ListFromConfigurationManager() {
    GUID hidClass = HidClass();
    // The list can grow between the two calls (a device arrives): ask again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        ULONG length = 0;
        if (CM_Get_Device_Interface_List_SizeW(&length, &hidClass, nullptr,
                                               CM_GET_DEVICE_INTERFACE_LIST_PRESENT) != CR_SUCCESS)
            return std::nullopt;
        std::wstring buffer(length + 1, L'\0');
        const CONFIGRET result = CM_Get_Device_Interface_ListW(
            &hidClass, nullptr, buffer.data(), length, CM_GET_DEVICE_INTERFACE_LIST_PRESENT);
        if (result == CR_BUFFER_SMALL)
            continue;
        if (result != CR_SUCCESS)
            return std::nullopt;
        std::vector<HidInterfaceEntry> entries;
        for (const wchar_t* path = buffer.c_str(); *path != L'\0'; path += wcslen(path) + 1)
            entries.push_back({AsciiLower(ToUtf8(path)), FromWindows(hidClass), kInterfaceActive});
        return entries;
    }
    return std::nullopt;
}

std::vector<HidInterfaceEntry> Win32HidService::ListFromSetupApi() {
    GUID hidClass = HidClass();
    std::vector<HidInterfaceEntry> entries;
    HDEVINFO set =
        SetupDiGetClassDevsW(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE)
        return entries;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hidClass, index, &data))
            break;
        DWORD needed = 0;
        SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &needed, nullptr);
        if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
            continue;
        // DWORD-aligned storage for the variable-length record.
        std::vector<DWORD> storage((needed + sizeof(DWORD) - 1) / sizeof(DWORD));
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, needed, nullptr, nullptr))
            continue;
        entries.push_back({AsciiLower(ToUtf8(detail->DevicePath)),
                           FromWindows(data.InterfaceClassGuid), data.Flags});
    }
    SetupDiDestroyDeviceInfoList(set);
    return entries;
}

std::vector<HidInterfaceEntry> Win32HidService::ListInterfaces() {
    if (auto entries = ListFromConfigurationManager())
        return std::move(*entries);
    return ListFromSetupApi();
}

HidOpenResult Win32HidService::Open(const std::string& path, std::uint32_t access,
                                    std::uint32_t share, bool overlapped) {
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | (overlapped ? FILE_FLAG_OVERLAPPED : 0);
    Win32Handle file(
        CreateFileW(ToWide(path).c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        HidOpenResult result;
        switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_DEVICE_NOT_CONNECTED:
            result.error = HidOpenError::NotFound;
            break;
        case ERROR_ACCESS_DENIED:
            result.error = HidOpenError::PermissionDenied;
            break;
        default:
            result.error = HidOpenError::Other;
            break;
        }
        result.message = "cannot open " + path + ": " + DescribeError(error);
        if (error == ERROR_SHARING_VIOLATION)
            result.message += "; another program holds the device without sharing it";
        return result;
    }
    auto open = std::make_shared<OpenFile>();
    open->file = std::move(file);
    open->overlapped = overlapped;
    return {files_.Insert(std::move(open)), HidOpenError::None, {}};
}

void Win32HidService::Close(HidHandle handle) {
    if (const auto open = files_.Remove(handle))
        CancelIoEx(open->file.Get(), nullptr);
}

bool Win32HidService::GetAttributes(HidHandle handle, HidAttributes& attributes) {
    const auto open = files_.Find(handle);
    if (!open)
        return false;
    HIDD_ATTRIBUTES read{};
    read.Size = sizeof read;
    if (!HidD_GetAttributes(open->file.Get(), &read))
        return false;
    attributes = {read.VendorID, read.ProductID, read.VersionNumber};
    return true;
}

bool Win32HidService::GetCaps(HidHandle handle, HidCaps& caps) {
    const auto open = files_.Find(handle);
    if (!open)
        return false;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!HidD_GetPreparsedData(open->file.Get(), &preparsed))
        return false;
    HIDP_CAPS read{};
    const bool ok = HidP_GetCaps(preparsed, &read) == HIDP_STATUS_SUCCESS;
    HidD_FreePreparsedData(preparsed);
    if (ok)
        caps = {read.Usage, read.UsagePage, read.InputReportByteLength, read.OutputReportByteLength,
                read.FeatureReportByteLength};
    return ok;
}

bool Win32HidService::SetFeature(HidHandle handle, const std::uint8_t* report, std::size_t length) {
    const auto open = files_.Find(handle);
    if (!open || report == nullptr || length == 0 || length > MAXDWORD)
        return false;
    // HidD_SetFeature takes a writable buffer but only reads it.
    std::vector<std::uint8_t> copy(report, report + length);
    return HidD_SetFeature(open->file.Get(), copy.data(), static_cast<ULONG>(length)) != FALSE;
}

bool Win32HidService::GetFeature(HidHandle handle, std::uint8_t* report, std::size_t length) {
    const auto open = files_.Find(handle);
    if (!open || report == nullptr || length == 0 || length > MAXDWORD)
        return false;
    return HidD_GetFeature(open->file.Get(), report, static_cast<ULONG>(length)) != FALSE;
}

HidWriteResult Win32HidService::Write(HidHandle handle, const std::uint8_t* report,
                                      std::size_t length, std::uint32_t timeoutMs) {
    HidWriteResult result;
    const auto open = files_.Find(handle);
    if (!open) {
        result.error = kErrorInvalidHandle;
        return result;
    }
    if (report == nullptr || length == 0 || length > MAXDWORD) {
        result.error = kErrorInvalidParameter;
        return result;
    }
    const HANDLE file = open->file.Get();
    const auto size = static_cast<DWORD>(length);
    DWORD bytes = 0;
    if (!open->overlapped) {
        if (WriteFile(file, report, size, &bytes, nullptr)) {
            result.start = HidWriteResult::Start::Completed;
            result.bytes = bytes;
        } else {
            result.error = GetLastError();
        }
        return result;
    }

    Win32Handle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) {
        result.error = GetLastError();
        return result;
    }
    OVERLAPPED overlapped{};
    overlapped.hEvent = event.Get();
    if (WriteFile(file, report, size, nullptr, &overlapped)) {
        result.start = HidWriteResult::Start::Completed;
        if (GetOverlappedResult(file, &overlapped, &bytes, TRUE))
            result.bytes = bytes;
        return result;
    }
    result.error = GetLastError();
    if (result.error != ERROR_IO_PENDING)
        return result;
    result.start = HidWriteResult::Start::Pending;
    if (WaitForSingleObject(event.Get(), timeoutMs) == WAIT_OBJECT_0) {
        result.finished = GetOverlappedResult(file, &overlapped, &bytes, TRUE) != FALSE;
        result.bytes = result.finished ? bytes : 0;
        return result;
    }
    // Retire the write before its OVERLAPPED and buffer go out of scope: a
    // write that completes during the cancel still counts as not in time.
    CancelIoEx(file, &overlapped);
    GetOverlappedResult(file, &overlapped, &bytes, TRUE);
    return result;
}

} // namespace keywright::platform::win32
