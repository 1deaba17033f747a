#include "platform/win32/Win32ProcessService.h"

#include "platform/win32/WideText.h"
#include "platform/win32/Win32Handle.h"

namespace keywright::platform::win32 {

bool Win32ProcessService::RunAndWait(const std::string& program, const std::string& commandLine) {
    if (program.empty())
        return false;
    const std::wstring application = ToWide(program);
    // CreateProcessW may write into the command line; it gets its own copy.
    std::wstring line = ToWide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    Win32Handle handle(process.hProcess);
    WaitForSingleObject(handle.Get(), INFINITE);
    return true;
}

std::optional<std::uint32_t> Win32ProcessService::FileAttributes(const std::string& path) {
    if (path.empty())
        return std::nullopt;
    const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return attributes;
}

bool Win32ProcessService::IsWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::string Win32ProcessService::ProgramFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    const std::size_t separator = buffer.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return {};
    return ToUtf8(std::wstring_view(buffer).substr(0, separator + 1));
}

} // namespace keywright::platform::win32
