#include "model/WriteRetry.h"

#include "index/LiveUpdate.h"

namespace tarvolo {

bool WriteRetry::Failed(uint64_t nowMs) {
    ++failures_;
    nextMs_ = nowMs + BackOffMs(failures_, firstMs_, mostMs_);
    return failures_ == 1;
}

}  // namespace tarvolo
