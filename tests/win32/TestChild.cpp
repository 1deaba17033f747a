// The other process of the Windows back end's tests. Its first argument says
// what to do; it reports through files, events and its exit code, never
// through the console, which wine may not pass on.
//
//   line <file>                    writes its whole command line to <file>
//   hold <lock> <held> <release>   locks <lock> by Win32NamedLocks, sets
//                                  event <held>, waits for event <release>,
//                                  then ends without unlocking
//   try <lock>                     exit code 1 when <lock>'s mutex could be
//                                  taken at once, 0 when someone holds it
#include "platform/win32/Win32NamedLocks.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <windows.h>

namespace {

using keywright::platform::win32::Win32NamedLocks;

std::string Narrow(const wchar_t* text) {
    std::string narrow;
    for (; *text != L'\0'; ++text)
        narrow += static_cast<char>(*text);
    return narrow;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    const std::wstring action = argv[1];
    if (action == L"line") {
        FILE* file = _wfopen(argv[2], L"wb");
        if (file == nullptr)
            return 3;
        const std::wstring line = GetCommandLineW();
        std::fwrite(line.data(), sizeof(wchar_t), line.size(), file);
        std::fclose(file);
        return 0;
    }
    if (action == L"hold" && argc == 5) {
        Win32NamedLocks locks;
        auto lock = locks.Open(Narrow(argv[2]));
        lock->Lock();
        HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[3]);
        HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[4]);
        if (held == nullptr || release == nullptr)
            return 4;
        SetEvent(held);
        WaitForSingleObject(release, INFINITE);
        // Ends owning the mutex: the system hands it on as abandoned.
        ExitProcess(0);
    }
    if (action == L"try") {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE,
                                  Win32NamedLocks::MutexName(Narrow(argv[2])).c_str());
        if (mutex == nullptr)
            return 5;
        const DWORD waited = WaitForSingleObject(mutex, 0);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
            ReleaseMutex(mutex);
            return 1;
        }
        return 0;
    }
    return 2;
}
