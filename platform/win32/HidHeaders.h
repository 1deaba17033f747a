#pragma once

// mingw-w64's HID headers carry no extern "C" guards. hidsdi.h brings
// hidusage.h and hidpi.h in the order they need.
#include <windows.h>
extern "C" {
#include <hidsdi.h>
}
