// A small ZIP writer for tests: builds archives in memory, field by field, so that tests can
// make exactly the archive (or the damage) they need. Not used by the programs.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/fuzz_seeds.h"

namespace ziptest {

struct Member {
  std::string name{};  // stored as given (raw bytes)
  std::string data{};  // unpacked bytes
  uint64_t zeros = 0;  // when nonzero: the unpacked bytes are this many zero bytes instead of data
  uint16_t method = 8;
  uint16_t flags = 0;
  std::optional<uint32_t> declared_crc{};   // default: the real CRC-32
  std::optional<uint64_t> declared_size{};  // default: the real unpacked size
  std::optional<std::string> packed{};      // default: data stored or deflated by `method`
};

struct Options {
  bool zip64 = false;     // ZIP64 extra fields, end record and locator
  std::string comment{};  // archive comment
};

struct Built {
  std::vector<uint8_t> bytes;
  std::vector<size_t> local_offsets;    // local header of each member
  std::vector<size_t> central_offsets;  // central record of each member
  std::vector<size_t> data_offsets;     // packed data of each member
  size_t directory_offset = 0;
  size_t zip64_end_offset = 0;  // 0 unless zip64
  size_t end_offset = 0;        // end-of-central-directory record
};

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}
inline void put64(std::vector<uint8_t>& out, uint64_t v) {
  put32(out, static_cast<uint32_t>(v));
  put32(out, static_cast<uint32_t>(v >> 32));
}
inline void set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void set16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = static_cast<uint8_t>(v);
  out[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Raw Deflate (no zlib header) of `size` bytes produced by next(chunk) in pieces.
template <typename Next>
std::string deflate_stream(uint64_t size, Next next, int level = 6, int strategy = Z_DEFAULT_STRATEGY) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, strategy);
  std::string out;
  std::string chunk;
  std::vector<unsigned char> buf(1 << 16);
  uint64_t left = size;
  int flush = Z_NO_FLUSH;
  do {
    if (z.avail_in == 0 && flush == Z_NO_FLUSH) {
      const size_t piece = static_cast<size_t>(std::min<uint64_t>(left, 1 << 20));
      chunk = next(piece);
      left -= piece;
      z.next_in = reinterpret_cast<Bytef*>(chunk.data());
      z.avail_in = static_cast<uInt>(chunk.size());
      if (left == 0) flush = Z_FINISH;
    }
    z.next_out = buf.data();
    z.avail_out = static_cast<uInt>(buf.size());
    const int rc = deflate(&z, flush);
    out.append(reinterpret_cast<char*>(buf.data()), buf.size() - z.avail_out);
    if (rc == Z_STREAM_END) break;
  } while (true);
  deflateEnd(&z);
  return out;
}

inline std::string deflate_raw(std::string_view data, int level = 6) {
  size_t at = 0;
  return deflate_stream(
      data.size(),
      [&](size_t n) {
        std::string piece(data.substr(at, n));
        at += n;
        return piece;
      },
      level);
}

inline Built build_zip(const std::vector<Member>& members, const Options& options = {}) {
  Built built;
  std::vector<uint8_t>& out = built.bytes;
  struct Info {
    uint32_t crc;
    uint64_t size, packed_size;
  };
  std::vector<Info> infos;
  for (const Member& m : members) {
    const uint64_t real_size = m.zeros ? m.zeros : m.data.size();
    uint32_t crc = 0;
    std::string packed;
    if (m.zeros) {
      const std::string zero_chunk(1 << 20, '\0');
      for (uint64_t left = m.zeros; left > 0;) {
        const uInt n = static_cast<uInt>(std::min<uint64_t>(left, zero_chunk.size()));
        crc = static_cast<uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(zero_chunk.data()), n));
        left -= n;
      }
      if (!m.packed) {
        packed = m.method == 8 ? deflate_stream(
                                     m.zeros, [&](size_t n) { return std::string(n, '\0'); }, 6, Z_RLE)
                               : std::string(static_cast<size_t>(m.zeros), '\0');
      }
    } else {
      crc = static_cast<uint32_t>(
          crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
      if (!m.packed) packed = m.method == 8 ? deflate_raw(m.data) : m.data;
    }
    if (m.packed) packed = *m.packed;
    const Info info{m.declared_crc.value_or(crc), m.declared_size.value_or(real_size), packed.size()};
    infos.push_back(info);

    built.local_offsets.push_back(out.size());
    put32(out, 0x04034b50);
    put16(out, options.zip64 ? 45 : 20);
    put16(out, m.flags);
    put16(out, m.method);
    put16(out, 0x0000);  // time
    put16(out, 0x5821);  // date 2024-01-01
    put32(out, info.crc);
    put32(out, options.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(info.packed_size));
    put32(out, options.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(info.size));
    put16(out, static_cast<uint32_t>(m.name.size()));
    put16(out, options.zip64 ? 20 : 0);
    out.insert(out.end(), m.name.begin(), m.name.end());
    if (options.zip64) {
      put16(out, 0x0001);
      put16(out, 16);
      put64(out, info.size);
      put64(out, info.packed_size);
    }
    built.data_offsets.push_back(out.size());
    out.insert(out.end(), packed.begin(), packed.end());
  }

  built.directory_offset = out.size();
  for (size_t i = 0; i < members.size(); ++i) {
    const Member& m = members[i];
    const Info& info = infos[i];
    built.central_offsets.push_back(out.size());
    put32(out, 0x02014b50);
    put16(out, 20);  // made by: MS-DOS, 2.0
    put16(out, options.zip64 ? 45 : 20);
    put16(out, m.flags);
    put16(out, m.method);
    put16(out, 0x0000);
    put16(out, 0x5821);
    put32(out, info.crc);
    put32(out, options.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(info.packed_size));
    put32(out, options.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(info.size));
    put16(out, static_cast<uint32_t>(m.name.size()));
    put16(out, options.zip64 ? 28 : 0);
    put16(out, 0);  // comment
    put16(out, 0);  // disk
    put16(out, 0);  // internal attributes
    put32(out, 0x81FF0000);
    put32(out, options.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(built.local_offsets[i]));
    out.insert(out.end(), m.name.begin(), m.name.end());
    if (options.zip64) {
      put16(out, 0x0001);
      put16(out, 24);
      put64(out, info.size);
      put64(out, info.packed_size);
      put64(out, built.local_offsets[i]);
    }
  }
  const uint64_t directory_size = out.size() - built.directory_offset;
  if (options.zip64) {
    built.zip64_end_offset = out.size();
    put32(out, 0x06064b50);
    put64(out, 44);
    put16(out, 45);
    put16(out, 45);
    put32(out, 0);
    put32(out, 0);
    put64(out, members.size());
    put64(out, members.size());
    put64(out, directory_size);
    put64(out, built.directory_offset);
    put32(out, 0x07064b50);  // locator
    put32(out, 0);
    put64(out, built.zip64_end_offset);
    put32(out, 1);
  }
  built.end_offset = out.size();
  put32(out, 0x06054b50);
  put16(out, 0);
  put16(out, 0);
  put16(out, options.zip64 ? 0xFFFF : static_cast<uint32_t>(members.size()));
  put16(out, options.zip64 ? 0xFFFF : static_cast<uint32_t>(members.size()));
  put32(out, options.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(directory_size));
  put32(out, options.zip64 ? 0xFFFFFFFF : static_cast<uint32_t>(built.directory_offset));
  put16(out, static_cast<uint32_t>(options.comment.size()));
  out.insert(out.end(), options.comment.begin(), options.comment.end());
  return built;
}

// Saves an archive made by a test as a seed of the ZIP reader's fuzz target, when the variable
// ZORDELO_ZIP_SEEDS names a folder (see common/fuzz_seeds.h).
inline void keep_as_fuzz_seed(const std::string& name, const std::vector<uint8_t>& bytes) {
  fuzz_seeds::keep("ZORDELO_ZIP_SEEDS", name + ".zip",
                   std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace ziptest
