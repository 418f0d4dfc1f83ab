// A ZIP archive read in place from a read-only byte range in memory. The container (end
// records, central directory, local headers) is parsed here; zlib inflates Deflate data and
// computes CRC-32. Opening copies the entry names out of the range and nothing else; entry
// data only ever passes through the caller's buffer, piece by piece.
//
// Error texts are short English phrases, one per kind of damage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zip {

inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflate = 8;

// One member as the central directory describes it.
struct Entry {
  std::string name;      // UTF-8: as stored when flag bit 11 is set, else decoded from code page 437
  std::string raw_name;  // the name bytes as stored
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc32 = 0;
  uint64_t packed_size = 0;
  uint64_t size = 0;  // declared unpacked size
  uint64_t local_header_offset = 0;
};

// An open archive: the byte range it was read from and its central directory.
struct Archive {
  std::span<const uint8_t> bytes;
  uint64_t directory_offset = 0;  // entry data must end at or before this offset
  std::vector<Entry> entries;
};

struct OpenArchiveResult {
  std::optional<Archive> archive;
  std::string error;  // set when archive is empty
};

// Reads the end-of-central-directory record, the ZIP64 end records when the locator is
// present, and the whole central directory, each checked against the range. The range must
// end with the end record (a trailing archive comment is allowed) and outlive the archive.
OpenArchiveResult open_archive(std::span<const uint8_t> bytes);

size_t entry_count(const Archive& archive);

struct InflateState;
struct InflateStateDeleter {
  void operator()(InflateState* state) const;
};

// One entry opened for reading. Movable, not copyable; refers into the archive's range.
struct EntryReader {
  size_t index = 0;
  std::string name;
  uint16_t method = 0;
  uint64_t size = 0;
  uint32_t expected_crc = 0;
  std::span<const uint8_t> packed;  // the entry's data as stored
  uint64_t fed = 0;                 // packed bytes handed to the inflater (or copied, for Stored)
  uint64_t produced = 0;            // unpacked bytes handed out
  uint32_t crc = 0;                 // CRC-32 of the bytes handed out
  bool stream_ended = false;
  bool finished = false;
  std::string error;  // sticky: once set, every further read returns it
  std::unique_ptr<InflateState, InflateStateDeleter> inflater;
};

struct OpenEntryResult {
  std::optional<EntryReader> reader;
  std::string error;  // set when reader is empty
};

// Opens entry `index`: refuses encrypted entries and methods other than Stored and Deflate,
// checks the local header (signature, same name and method as the central directory, data
// inside the archive) and prepares the inflater. Unpacks nothing.
OpenEntryResult open_entry(const Archive& archive, size_t index);

// Sum of the declared unpacked sizes of the entries that open; an entry that does not open
// counts 0. Unpacks nothing.
uint64_t total_unpacked_size(const Archive& archive);

struct ReadResult {
  bool ok = false;
  size_t size = 0;  // bytes placed at the start of the buffer; 0 at the entry's end
  std::string error;
};

// Places the next unpacked bytes of the entry into `buffer` (at most its size, never more than
// the entry's data produces or its declared size allows). At the entry's end it returns 0 once
// the bytes handed out have matched the declared size and CRC-32; a mismatch is an error of that
// final read, so a damaged entry is only noticed after all its bytes were handed out. The
// buffer must not be empty.
ReadResult read(EntryReader& entry, std::span<uint8_t> buffer);

// Code page 437 text as UTF-8 (bytes below 0x80 as ASCII).
std::string cp437_to_utf8(std::string_view bytes);

}  // namespace zip
