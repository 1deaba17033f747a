#include "support/RunProgram.h"

#include <filesystem>
#include <windows.h>

namespace keywright::test {

// Through cmd.exe, so arguments may redirect as at a prompt ("2>nul"). The
// process is started and waited for here rather than with _popen/_pclose:
// under wine on a loaded machine _pclose at times loses the exit code of a
// program that ran and ended normally.
// cmd.exe takes a leading '/' for a switch: the program path goes in the
// system's own form, and quoted. The outer quotes are the ones cmd /c strips.
ProgramRun RunProgram(const std::string& program, const std::string& arguments) {
    ProgramRun run;
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    const std::string path = std::filesystem::path(program).make_preferred().string();
    std::string command = "cmd.exe /c \"\"" + path + "\" " + arguments + "\"";
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(writeEnd); // the child holds the only write end now
    if (!started) {
        CloseHandle(readEnd);
        return run;
    }

    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0)
        run.out.append(buffer, n);
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code))
        run.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    // Text mode, as on other systems: "\r\n" reads as "\n".
    std::string text;
    text.reserve(run.out.size());
    for (std::size_t i = 0; i < run.out.size(); ++i)
        if (!(run.out[i] == '\r' && i + 1 < run.out.size() && run.out[i + 1] == '\n'))
            text += run.out[i];
    run.out = std::move(text);
    return run;
}

} // namespace keywright::test
