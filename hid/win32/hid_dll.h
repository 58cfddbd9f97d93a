// The HID library's declarations. The SDK headers carry no C linkage of their
// own, so they are wrapped here once.
#pragma once

#include <windows.h>

extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}
