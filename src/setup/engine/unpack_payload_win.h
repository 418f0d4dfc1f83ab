// The payload archive inside setup.exe, and its unpacking into the install folder.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "setup/engine/progress.h"

// The payload bytes embedded in this program's read-only data at build time (read in place).
std::span<const uint8_t> payload_bytes();

// Writes the payload's files into `location` (an existing folder) through real files, with
// progress reports in the band 5..85; see unpack_archive for the rule and the messages. Blocks
// until all entries are written or one has failed. Returns the total unpacked size or the error
// message.
UnpackResult unpack_payload(const std::string& location, const ProgressSink& progress);
