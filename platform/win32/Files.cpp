#include "platform/Files.h"

#include <string>
#include <windows.h>

namespace keywright::platform {
namespace {

std::string Describe(const char* what, const std::filesystem::path& path, DWORD error) {
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   text, sizeof text, nullptr);
    return std::string(what) + " " + path.string() + ": " + text;
}

} // namespace

FileResult ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::path temp = path;
    temp += L".tmp" + std::to_wstring(GetCurrentProcessId());

    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FileResult::Failure(Describe("cannot create", temp, GetLastError()));

    bool written = true;
    while (written && !bytes.empty()) {
        DWORD done = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 30));
        written = WriteFile(file, bytes.data(), chunk, &done, nullptr) != 0;
        bytes.remove_prefix(done);
    }
    written = written && FlushFileBuffers(file) != 0;
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (!written) {
        DeleteFileW(temp.c_str());
        return FileResult::Failure(Describe("cannot write", temp, error));
    }
    if (!MoveFileExW(temp.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD moveError = GetLastError();
        DeleteFileW(temp.c_str());
        return FileResult::Failure(Describe("cannot replace", path, moveError));
    }
    return {};
}

std::filesystem::path ExecutableFolder() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::filesystem::current_path();
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer).parent_path();
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace keywright::platform
