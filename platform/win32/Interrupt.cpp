#include "platform/Interrupt.h"

#include <windows.h>

namespace keywright::platform {
namespace {

// Manual-reset: once interrupted, the waiter and anyone after it goes on.
HANDLE InterruptEvent() {
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

BOOL WINAPI OnConsoleControl(DWORD) {
    SetEvent(InterruptEvent());
    // Handled: the process is not ended here. For a console close the
    // system still ends it once the handlers return, some seconds later.
    return TRUE;
}

} // namespace

void CatchInterrupts() {
    InterruptEvent();
    SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
}

bool WaitForInterrupt(std::chrono::milliseconds timeout) {
    const DWORD limit = timeout.count() < 0 ? INFINITE : static_cast<DWORD>(timeout.count());
    return WaitForSingleObject(InterruptEvent(), limit) == WAIT_OBJECT_0;
}

} // namespace keywright::platform
