#include "setup/engine/open_retry.h"

namespace {

constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kLockViolation = 33;
constexpr uint32_t kUserMappedFile = 1224;

}  // namespace

bool retry_open(uint32_t error, uint64_t elapsed_ms) {
  const bool in_use = error == kSharingViolation || error == kLockViolation || error == kUserMappedFile;
  return in_use && elapsed_ms < kOpenRetryWindowMs;
}
