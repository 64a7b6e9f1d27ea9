// Report descriptors as a device's sysfs entry gives them: any bytes up to the
// kernel's 4096. The reader must stay inside the bytes and give lengths that
// count the report-id byte.

#include "FuzzSupport.h"

#include "link/hid/ReportDescriptor.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact copy, so that AddressSanitizer sees any read past the end.
    const std::vector<uint8_t> descriptor(data, data + size);
    const HIDP_CAPS caps = ParseReportDescriptor(descriptor.data(), descriptor.size());
    for (uint16_t length : {caps.InputReportByteLength, caps.OutputReportByteLength, caps.FeatureReportByteLength})
        FUZZ_REQUIRE(length == 0 || length >= 2);
    return 0;
}
