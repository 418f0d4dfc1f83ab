#include "setup/engine/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "common/text.h"

namespace zip {

struct InflateState {
  z_stream stream{};
};

void InflateStateDeleter::operator()(InflateState* state) const {
  inflateEnd(&state->stream);
  delete state;
}

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;

constexpr size_t kEndSize = 22;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kCentralSize = 46;
constexpr size_t kLocalSize = 30;

constexpr uint16_t kFlagEncrypted = 0x0001;
constexpr uint16_t kFlagStrongEncryption = 0x0040;
constexpr uint16_t kFlagUtf8 = 0x0800;

constexpr uint16_t kZip64ExtraId = 0x0001;

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) { return static_cast<uint32_t>(u16(p)) | static_cast<uint32_t>(u16(p + 2)) << 16; }
uint64_t u64(const uint8_t* p) { return static_cast<uint64_t>(u32(p)) | static_cast<uint64_t>(u32(p + 4)) << 32; }

// True when [offset, offset + length) lies inside [0, limit).
bool fits(uint64_t offset, uint64_t length, uint64_t limit) { return offset <= limit && length <= limit - offset; }

OpenArchiveResult archive_error(std::string text) { return {std::nullopt, std::move(text)}; }

// Code points of the bytes 0x80..0xFF in code page 437.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// Where the end records say the central directory is.
struct DirectoryLocation {
  uint64_t offset = 0;
  uint64_t size = 0;
  uint64_t entries = 0;
  uint64_t limit = 0;  // the directory must end at or before this offset
};

struct Located {
  std::optional<DirectoryLocation> location;
  std::string error;
};

Located locate_directory(std::span<const uint8_t> bytes) {
  const uint8_t* base = bytes.data();
  const uint64_t size = bytes.size();
  // The end record is the last thing in the archive, followed only by its own comment.
  std::optional<uint64_t> end_at;
  if (size >= kEndSize) {
    const uint64_t lowest = size - kEndSize > 0xFFFF ? size - kEndSize - 0xFFFF : 0;
    for (uint64_t pos = size - kEndSize + 1; pos-- > lowest;) {
      if (u32(base + pos) == kEndSignature && pos + kEndSize + u16(base + pos + 20) == size) {
        end_at = pos;
        break;
      }
    }
  }
  if (!end_at) return {std::nullopt, "no end-of-central-directory record found"};
  const uint8_t* end = base + *end_at;
  const uint16_t disk = u16(end + 4), directory_disk = u16(end + 6);
  const uint16_t entries_here = u16(end + 8), entries_total = u16(end + 10);

  DirectoryLocation where;
  const bool has_locator = *end_at >= kZip64LocatorSize && u32(end - kZip64LocatorSize) == kZip64LocatorSignature;
  if (!has_locator) {
    if (disk != 0 || directory_disk != 0 || entries_here != entries_total)
      return {std::nullopt, "the archive spans several disks"};
    where.offset = u32(end + 16);
    where.size = u32(end + 12);
    where.entries = entries_total;
    where.limit = *end_at;
    return {where, {}};
  }

  const uint64_t locator_at = *end_at - kZip64LocatorSize;
  const uint8_t* locator = base + locator_at;
  const uint32_t zip64_end_disk = u32(locator + 4), disk_count = u32(locator + 16);
  const uint64_t zip64_end_at = u64(locator + 8);
  if (zip64_end_disk != 0 || disk_count > 1 || (disk != 0 && disk != 0xFFFF) ||
      (directory_disk != 0 && directory_disk != 0xFFFF))
    return {std::nullopt, "the archive spans several disks"};
  if (!fits(zip64_end_at, kZip64EndSize, locator_at))
    return {std::nullopt, "the ZIP64 end-of-central-directory record lies outside the archive"};
  const uint8_t* zip64_end = base + zip64_end_at;
  if (u32(zip64_end) != kZip64EndSignature)
    return {std::nullopt, "bad ZIP64 end-of-central-directory record signature"};
  const uint64_t record_size = u64(zip64_end + 4);
  if (record_size < kZip64EndSize - 12 || !fits(zip64_end_at + 12, record_size, locator_at))
    return {std::nullopt, "the ZIP64 end-of-central-directory record lies outside the archive"};
  if (u32(zip64_end + 16) != 0 || u32(zip64_end + 20) != 0 || u64(zip64_end + 24) != u64(zip64_end + 32))
    return {std::nullopt, "the archive spans several disks"};
  where.entries = u64(zip64_end + 32);
  where.size = u64(zip64_end + 40);
  where.offset = u64(zip64_end + 48);
  where.limit = zip64_end_at;
  return {where, {}};
}

// Replaces the 0xFFFFFFFF (or 0xFFFF) fields of a central record by the values of its ZIP64
// extra field, which holds just the replaced ones, in this order.
bool apply_zip64_extra(const uint8_t* extra, size_t extra_length, Entry& entry, bool need_size, bool need_packed,
                       bool need_offset, bool need_disk, uint32_t& disk) {
  size_t pos = 0;
  while (pos + 4 <= extra_length) {
    const uint16_t id = u16(extra + pos), length = u16(extra + pos + 2);
    if (pos + 4 + length > extra_length) return false;
    if (id == kZip64ExtraId) {
      const uint8_t* field = extra + pos + 4;
      size_t at = 0;
      const auto take64 = [&](uint64_t& out) {
        if (at + 8 > length) return false;
        out = u64(field + at);
        at += 8;
        return true;
      };
      if (need_size && !take64(entry.size)) return false;
      if (need_packed && !take64(entry.packed_size)) return false;
      if (need_offset && !take64(entry.local_header_offset)) return false;
      if (need_disk) {
        if (at + 4 > length) return false;
        disk = u32(field + at);
      }
      return true;
    }
    pos += 4 + length;
  }
  return false;
}

std::string entry_label(size_t index, const std::string& name) {
  return "entry " + std::to_string(index) + " (" + name + ")";
}

ReadResult read_error(EntryReader& entry, std::string text) {
  entry.error = entry_label(entry.index, entry.name) + ": " + text;
  return {false, 0, entry.error};
}

void add_crc(uint32_t& crc, const uint8_t* data, size_t size) {
  while (size > 0) {
    const uInt piece = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    crc = static_cast<uint32_t>(crc32(crc, data, piece));
    data += piece;
    size -= piece;
  }
}

// What one run of the inflater gave: bytes produced, and a failure text when the data failed.
struct InflateStep {
  size_t produced = 0;
  const char* failure = nullptr;
};

// Runs the inflater until `room` bytes are produced at `out`, the Deflate stream ends, or the
// data fails.
InflateStep inflate_into(EntryReader& entry, uint8_t* out, size_t room) {
  InflateStep step;
  while (step.produced < room && !entry.stream_ended) {
    z_stream& z = entry.inflater->stream;  // present until the stream has ended
    if (z.avail_in == 0 && entry.fed < entry.packed.size()) {
      const uint64_t piece = std::min<uint64_t>(entry.packed.size() - entry.fed, 1u << 30);
      z.next_in = const_cast<Bytef*>(entry.packed.data() + entry.fed);
      z.avail_in = static_cast<uInt>(piece);
      entry.fed += piece;
    }
    z.next_out = out + step.produced;
    z.avail_out = static_cast<uInt>(std::min<size_t>(room - step.produced, 1u << 30));
    const uInt before = z.avail_out;
    const int rc = inflate(&z, Z_NO_FLUSH);
    step.produced += before - z.avail_out;
    if (rc == Z_STREAM_END) {
      entry.stream_ended = true;
    } else if (rc == Z_OK || rc == Z_BUF_ERROR) {
      // inflate stops with room left over only when it wants more input; when there is none,
      // the stream was cut before its final block.
      if (z.avail_out > 0 && z.avail_in == 0 && entry.fed == entry.packed.size()) {
        step.failure = "the Deflate data ends too early";
        return step;
      }
    } else if (rc == Z_MEM_ERROR) {
      step.failure = "out of memory while inflating";
      return step;
    } else {
      step.failure = "the Deflate data is corrupt";
      return step;
    }
  }
  return step;
}

}  // namespace

std::string cp437_to_utf8(std::string_view bytes) {
  std::u16string wide;
  wide.reserve(bytes.size());
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    wide.push_back(b < 0x80 ? static_cast<char16_t>(b) : kCp437High[b - 0x80]);
  }
  return text::utf16_to_utf8(wide);
}

OpenArchiveResult open_archive(std::span<const uint8_t> bytes) {
  Located located = locate_directory(bytes);
  if (!located.location) return archive_error(std::move(located.error));
  const DirectoryLocation where = *located.location;
  if (!fits(where.offset, where.size, where.limit))
    return archive_error("the central directory lies outside the archive");
  if (where.entries > where.size / kCentralSize)
    return archive_error("the central directory is too small for its entry count");

  Archive archive;
  archive.bytes = bytes;
  archive.directory_offset = where.offset;
  archive.entries.reserve(static_cast<size_t>(where.entries));
  const uint8_t* directory = bytes.data() + where.offset;
  uint64_t pos = 0;
  for (uint64_t i = 0; i < where.entries; ++i) {
    const std::string which = std::to_string(i);
    if (!fits(pos, kCentralSize, where.size))
      return archive_error("central directory record " + which + " runs past the directory");
    const uint8_t* record = directory + pos;
    if (u32(record) != kCentralSignature)
      return archive_error("bad central directory record signature at entry " + which);
    const uint16_t name_length = u16(record + 28), extra_length = u16(record + 30), comment_length = u16(record + 32);
    const uint64_t record_size = kCentralSize + name_length + extra_length + comment_length;
    if (!fits(pos, record_size, where.size))
      return archive_error("central directory record " + which + " runs past the directory");

    Entry entry;
    entry.flags = u16(record + 8);
    entry.method = u16(record + 10);
    entry.crc32 = u32(record + 16);
    entry.packed_size = u32(record + 20);
    entry.size = u32(record + 24);
    entry.local_header_offset = u32(record + 42);
    uint32_t disk = u16(record + 34);
    entry.raw_name.assign(reinterpret_cast<const char*>(record + kCentralSize), name_length);
    entry.name = (entry.flags & kFlagUtf8) ? text::utf8_lossy(entry.raw_name) : cp437_to_utf8(entry.raw_name);

    const bool need_size = entry.size == 0xFFFFFFFF, need_packed = entry.packed_size == 0xFFFFFFFF;
    const bool need_offset = entry.local_header_offset == 0xFFFFFFFF, need_disk = disk == 0xFFFF;
    if ((need_size || need_packed || need_offset || need_disk) &&
        !apply_zip64_extra(record + kCentralSize + name_length, extra_length, entry, need_size, need_packed,
                           need_offset, need_disk, disk))
      return archive_error("central directory record " + which + " lacks its ZIP64 extra field");
    if (disk != 0) return archive_error("the archive spans several disks");

    archive.entries.push_back(std::move(entry));
    pos += record_size;
  }
  if (pos != where.size) return archive_error("the central directory size does not match its records");
  return {std::move(archive), {}};
}

size_t entry_count(const Archive& archive) { return archive.entries.size(); }

OpenEntryResult open_entry(const Archive& archive, size_t index) {
  if (index >= archive.entries.size()) return {std::nullopt, "no entry " + std::to_string(index) + " in the archive"};
  const Entry& entry = archive.entries[index];
  const auto fail = [&](const std::string& text) {
    return OpenEntryResult{std::nullopt, entry_label(index, entry.name) + ": " + text};
  };
  if (entry.flags & (kFlagEncrypted | kFlagStrongEncryption)) return fail("encrypted entries are not supported");
  if (entry.method != kMethodStored && entry.method != kMethodDeflate)
    return fail("unsupported compression method " + std::to_string(entry.method));

  const uint64_t data_limit = archive.directory_offset;
  if (!fits(entry.local_header_offset, kLocalSize, data_limit))
    return fail("the local header lies outside the archive");
  const uint8_t* local = archive.bytes.data() + entry.local_header_offset;
  if (u32(local) != kLocalSignature) return fail("bad local header signature");
  const uint16_t name_length = u16(local + 26), extra_length = u16(local + 28);
  const uint64_t data_at = entry.local_header_offset + kLocalSize + name_length + extra_length;
  if (!fits(entry.local_header_offset, kLocalSize + name_length, data_limit))
    return fail("the local header lies outside the archive");
  if (name_length != entry.raw_name.size() ||
      std::memcmp(local + kLocalSize, entry.raw_name.data(), name_length) != 0 || u16(local + 8) != entry.method)
    return fail("the local header does not match the central directory");
  if (!fits(data_at, entry.packed_size, data_limit)) return fail("the entry's data runs past the archive data");
  if (entry.method == kMethodStored && entry.packed_size != entry.size)
    return fail("a stored entry with different packed and unpacked sizes");

  EntryReader reader;
  reader.index = index;
  reader.name = entry.name;
  reader.method = entry.method;
  reader.size = entry.size;
  reader.expected_crc = entry.crc32;
  reader.packed = archive.bytes.subspan(static_cast<size_t>(data_at), static_cast<size_t>(entry.packed_size));
  if (entry.method == kMethodDeflate && entry.packed_size == 0) {
    // Some packers store an empty file as Deflate without any data: nothing to inflate.
    reader.stream_ended = true;
  } else if (entry.method == kMethodDeflate) {
    reader.inflater.reset(new InflateState);
    if (inflateInit2(&reader.inflater->stream, -MAX_WBITS) != Z_OK) {
      // inflateEnd on a stream that failed to initialise is harmless (it checks its state).
      return fail("out of memory while preparing to inflate");
    }
  }
  return {std::move(reader), {}};
}

uint64_t total_unpacked_size(const Archive& archive) {
  uint64_t total = 0;
  for (size_t i = 0; i < archive.entries.size(); ++i) {
    if (open_entry(archive, i).reader) total += archive.entries[i].size;
  }
  return total;
}

ReadResult read(EntryReader& entry, std::span<uint8_t> buffer) {
  if (!entry.error.empty()) return {false, 0, entry.error};
  if (buffer.empty()) return {false, 0, "the read buffer is empty"};
  if (entry.finished) return {true, 0, {}};

  const uint64_t room = entry.size - entry.produced;
  size_t n = 0;
  const char* failure = nullptr;
  if (entry.method == kMethodStored) {
    n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), room));
    std::memcpy(buffer.data(), entry.packed.data() + entry.produced, n);
    entry.fed += n;
  } else if (room > 0) {
    const InflateStep step =
        inflate_into(entry, buffer.data(), static_cast<size_t>(std::min<uint64_t>(buffer.size(), room)));
    n = step.produced;
    failure = step.failure;
  } else if (!entry.stream_ended) {
    // The declared size is reached: the stream may only end here, without another byte.
    uint8_t probe = 0;
    const InflateStep step = inflate_into(entry, &probe, 1);
    if (step.produced > 0) return read_error(entry, "the data is longer than the entry's declared size");
    failure = step.failure;
  }
  add_crc(entry.crc, buffer.data(), n);
  entry.produced += n;
  if (failure) {
    // Good bytes of this piece go out first; the failure comes with the next read.
    if (n > 0) {
      entry.error = entry_label(entry.index, entry.name) + ": " + failure;
      return {true, n, {}};
    }
    return read_error(entry, failure);
  }
  if (n > 0) return {true, n, {}};

  // The end of the entry: all its bytes have been handed out.
  if (entry.produced != entry.size) return read_error(entry, "the data is shorter than the entry's declared size");
  if (entry.crc != entry.expected_crc) return read_error(entry, "CRC-32 mismatch");
  entry.finished = true;
  return {true, 0, {}};
}

}  // namespace zip
