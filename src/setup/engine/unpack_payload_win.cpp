#include "setup/engine/unpack_payload_win.h"

#include "setup/engine/file_sink_win.h"
#include "setup/engine/unpack.h"

// Start and end of the payload archive, put into .rdata by the build (assets/CMakeLists.txt).
extern "C" const uint8_t zordelo_payload_start[];
extern "C" const uint8_t zordelo_payload_end[];

std::span<const uint8_t> payload_bytes() {
  return {zordelo_payload_start, static_cast<size_t>(zordelo_payload_end - zordelo_payload_start)};
}

UnpackResult unpack_payload(const std::string& location, const ProgressSink& progress) {
  return unpack_archive(payload_bytes(), location, win32_file_sink(), progress);
}
