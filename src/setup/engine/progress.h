// What the unpacking reports and returns; shared by the unpacker and the install job.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Takes a percentage and a status text; never blocks.
using ProgressSink = std::function<void(uint32_t percent, const std::string& status)>;

// Success carries the total unpacked size T of the payload; failure carries the one error
// message that the installer shows.
struct UnpackResult {
  bool ok = false;
  uint64_t total = 0;
  std::string error;
};
