#pragma once

#include "platform/Files.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Handle.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace keywright::test {

using platform::win32::Win32Handle;

// A name no other test, run or process uses at the same time.
inline std::string UniqueName(const std::string& what) {
    static std::atomic<int> counter{0};
    return "keywright-test-" + what + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter);
}

// win32_test_child.exe, built beside the test program.
inline std::wstring ChildProgram() {
    return (platform::ExecutableFolder() / "win32_test_child.exe").wstring();
}

// Starts the child with `arguments` (after its program name) and does not
// wait; the process handle, invalid when it did not start.
inline Win32Handle StartChild(const std::wstring& arguments) {
    const std::wstring program = ChildProgram();
    std::wstring line = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return {};
    CloseHandle(process.hThread);
    return Win32Handle(process.hProcess);
}

// Runs the child to its end; its exit code, or -1 when it did not start.
inline int RunChild(const std::wstring& arguments) {
    const Win32Handle process = StartChild(arguments);
    if (!process)
        return -1;
    WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return static_cast<int>(code);
}

// The server end of a named pipe that stands in for a device: with no
// buffer, a write to the client end stays pending until this end reads it,
// and a message-mode transaction (FSCTL_PIPE_TRANSCEIVE) until this end
// answers it. The client end is opened by the service under test, by Path().
class PipeDevice {
  public:
    PipeDevice() : path_("\\\\.\\pipe\\" + UniqueName("device")) {
        server_.Reset(CreateNamedPipeW(platform::win32::ToWide(path_).c_str(), PIPE_ACCESS_DUPLEX,
                                       PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 0,
                                       0, 0, nullptr));
    }

    bool Valid() const { return server_.Valid(); }
    const std::string& Path() const { return path_; }

    // After the client has opened the pipe.
    bool Accept() {
        return ConnectNamedPipe(server_.Get(), nullptr) || GetLastError() == ERROR_PIPE_CONNECTED;
    }
    // Waits for the next message from the client; its bytes.
    std::string Read() {
        char buffer[256];
        DWORD length = 0;
        if (!ReadFile(server_.Get(), buffer, sizeof buffer, &length, nullptr))
            return "<read failed: " + std::to_string(GetLastError()) + ">";
        return std::string(buffer, length);
    }
    bool Answer(const std::string& bytes) {
        DWORD written = 0;
        return WriteFile(server_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                         nullptr) &&
               written == bytes.size();
    }

  private:
    std::string path_;
    Win32Handle server_;
};

// The transaction request of a message-mode pipe: writes the input as one
// message and completes when the other end answers.
constexpr std::uint32_t kPipeTransceive = 0x0011C017;

} // namespace keywright::test
