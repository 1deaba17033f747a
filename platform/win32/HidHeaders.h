#pragma once

// mingw-w64's HID headers carry no extern "C" guards.
#include <windows.h>
extern "C" {
#include <hidpi.h>
#include <hidsdi.h>
}
