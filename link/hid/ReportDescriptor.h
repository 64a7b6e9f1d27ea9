#pragma once

#include "link/hid/HidTypes.h"

#include <cstddef>
#include <cstdint>

// Report lengths from a HID report descriptor, as the device's capabilities give
// them: per direction the largest report in bytes plus one byte for the report
// id (whether the device numbers its reports or not), 0 for a direction without
// reports; the usage of the first top-level collection; whether the descriptor
// holds report ids. Written by hand because neither the kernel (hidraw gives
// the raw descriptor only) nor libudev parses descriptors.
HIDP_CAPS ParseReportDescriptor(const uint8_t* descriptor, size_t length);
