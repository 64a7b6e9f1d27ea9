#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A property every input must keep. A broken one aborts, which libFuzzer reports
// as a crash and saves the input that broke it.
#define FUZZ_REQUIRE(condition)                                                                      \
    do {                                                                                             \
        if (!(condition)) {                                                                          \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition);             \
            std::abort();                                                                            \
        }                                                                                            \
    } while (false)

// Makes the one QApplication of a fuzz target, on the offscreen platform and in a
// fixed locale, so that an input behaves the same on every machine. Called from
// LLVMFuzzerInitialize; the application lives until the process ends.
void StartFuzzApplication(const char* name);

// Reads the input from the front: each call takes the next byte, 0 once the
// bytes are used up.
class TInputBytes {
public:
    TInputBytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t take() { return at_ < size_ ? data_[at_++] : 0; }
    const uint8_t* rest() const { return data_ + at_; }
    size_t restSize() const { return size_ - at_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};
