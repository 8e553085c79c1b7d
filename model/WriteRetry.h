// A file that keeps failing to be written in the background: tried again later
// and later, and the user told once when it starts failing, not at every try.
#pragma once

#include <cstdint>

namespace tarvolo {

class WriteRetry {
public:
    WriteRetry(uint64_t firstMs, uint64_t mostMs) : firstMs_(firstMs), mostMs_(mostMs) {}

    // A write failed at `nowMs`: true when the user is to be told, which is at
    // the first failure after a success (or after the start).
    bool Failed(uint64_t nowMs);
    void Succeeded() { failures_ = 0; }
    // Milliseconds from `nowMs` until the next write may start; 0 when it may now.
    uint64_t WaitMs(uint64_t nowMs) const { return failures_ && nowMs < nextMs_ ? nextMs_ - nowMs : 0; }
    unsigned Failures() const { return failures_; }

private:
    uint64_t firstMs_, mostMs_;
    unsigned failures_ = 0;
    uint64_t nextMs_ = 0;
};

}  // namespace tarvolo
