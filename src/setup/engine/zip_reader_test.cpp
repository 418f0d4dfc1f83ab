#include "setup/engine/zip_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "setup/engine/zip_test_archive.h"

namespace {

using ziptest::Built;
using ziptest::Member;

// Some text that Deflate shrinks but not to nothing.
std::string sample_text(size_t size, uint32_t seed = 1) {
  std::string out;
  out.reserve(size);
  uint32_t x = seed;
  static const char* words[] = {"zord ", "bánya ", "világ ", "csákány ", "\n", "12345 "};
  while (out.size() < size) {
    x = x * 1103515245 + 12345;
    out += words[(x >> 16) % 6];
    if ((x >> 8) % 7 == 0) out += static_cast<char>(x >> 24);
  }
  out.resize(size);
  return out;
}

struct Drained {
  std::string data;
  std::string error;  // empty when the entry ended cleanly
  size_t reads = 0;
};

// Reads an entry to its end (or its first error) with pieces of at most `chunk` bytes.
Drained drain(zip::EntryReader& reader, size_t chunk) {
  Drained out;
  std::vector<uint8_t> buffer(chunk);
  for (;;) {
    const zip::ReadResult r = zip::read(reader, buffer);
    ++out.reads;
    if (!r.ok) {
      out.error = r.error;
      return out;
    }
    EXPECT_LE(r.size, chunk);
    if (r.size == 0) return out;
    out.data.append(reinterpret_cast<const char*>(buffer.data()), r.size);
  }
}

zip::Archive open_ok(const std::vector<uint8_t>& bytes) {
  zip::OpenArchiveResult r = zip::open_archive(bytes);
  EXPECT_TRUE(r.archive.has_value()) << r.error;
  return r.archive ? std::move(*r.archive) : zip::Archive{};
}

Drained drain_entry(const zip::Archive& archive, size_t index, size_t chunk) {
  zip::OpenEntryResult e = zip::open_entry(archive, index);
  EXPECT_TRUE(e.reader.has_value()) << e.error;
  if (!e.reader) return {};
  return drain(*e.reader, chunk);
}

TEST(ZipReader, StoredAndDeflateEntriesReadBackInAnyPieceSize) {
  const std::string big = sample_text(300000);
  const std::vector<Member> members = {
      {.name = "stored.txt", .data = "hello, stored", .method = 0},
      {.name = "deflated.bin", .data = big, .method = 8},
      {.name = "empty-stored", .data = "", .method = 0},
      {.name = "empty-deflated", .data = "", .method = 8},
  };
  for (const bool zip64 : {false, true}) {
    const Built built = ziptest::build_zip(members, {.zip64 = zip64});
    ziptest::keep_as_fuzz_seed(zip64 ? "four-entries-zip64" : "four-entries", built.bytes);
    const zip::Archive archive = open_ok(built.bytes);
    ASSERT_EQ(zip::entry_count(archive), 4u);
    EXPECT_EQ(archive.entries[1].name, "deflated.bin");
    EXPECT_EQ(archive.entries[1].size, big.size());
    EXPECT_LT(archive.entries[1].packed_size, big.size());
    EXPECT_EQ(archive.entries[1].local_header_offset, built.local_offsets[1]);
    EXPECT_EQ(zip::total_unpacked_size(archive), 13 + big.size());
    for (const size_t chunk : {size_t{1}, size_t{7}, size_t{4096}, size_t{1} << 20}) {
      if (chunk == 1 && zip64) continue;  // one pass byte by byte is enough
      EXPECT_EQ(drain_entry(archive, 0, chunk).data, "hello, stored");
      const Drained d = drain_entry(archive, 1, chunk);
      EXPECT_EQ(d.error, "");
      EXPECT_TRUE(d.data == big) << "chunk " << chunk << " zip64 " << zip64 << " got " << d.data.size();
      EXPECT_EQ(drain_entry(archive, 2, chunk).data, "");
      EXPECT_EQ(drain_entry(archive, 3, chunk).error, "");
    }
  }
}

TEST(ZipReader, ReadingPastTheEndKeepsReturningZero) {
  const Built built = ziptest::build_zip({{.name = "a", .data = "abc"}});
  const zip::Archive archive = open_ok(built.bytes);
  zip::OpenEntryResult e = zip::open_entry(archive, 0);
  ASSERT_TRUE(e.reader);
  std::vector<uint8_t> buf(16);
  EXPECT_EQ(zip::read(*e.reader, buf).size, 3u);
  for (int i = 0; i < 3; ++i) {
    const zip::ReadResult r = zip::read(*e.reader, buf);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 0u);
  }
  EXPECT_FALSE(zip::read(*e.reader, std::span<uint8_t>()).ok);
}

TEST(ZipReader, AnArchiveWithoutEntriesOpens) {
  for (const bool zip64 : {false, true}) {
    const Built built = ziptest::build_zip({}, {.zip64 = zip64});
    ziptest::keep_as_fuzz_seed(zip64 ? "empty-zip64" : "empty", built.bytes);
    const zip::Archive archive = open_ok(built.bytes);
    EXPECT_EQ(zip::entry_count(archive), 0u);
    EXPECT_EQ(zip::total_unpacked_size(archive), 0u);
    EXPECT_FALSE(zip::open_entry(archive, 0).reader);
  }
  EXPECT_EQ(ziptest::build_zip({}).bytes.size(), 22u);
}

TEST(ZipReader, AnArchiveCommentIsAllowedAfterTheEndRecord) {
  // The comment itself looks like an end record: only the real one fits the range exactly.
  std::vector<uint8_t> fake_end = ziptest::build_zip({}).bytes;
  const Built built = ziptest::build_zip({{.name = "x", .data = "12345"}},
                                         {.comment = std::string(fake_end.begin(), fake_end.end()) + "!"});
  const zip::Archive archive = open_ok(built.bytes);
  ASSERT_EQ(zip::entry_count(archive), 1u);
  EXPECT_EQ(drain_entry(archive, 0, 64).data, "12345");
}

TEST(ZipReader, NamesAreUtf8WithFlagBit11AndCodePage437Otherwise) {
  struct Case {
    std::string raw;
    uint16_t flags;
    std::string name;
  } cases[] = {
      {"plain.txt", 0, "plain.txt"},
      {"caf\x82.txt", 0, "café.txt"},
      {"\x8e\x99\x9a \xe1 \xc9\xcd\xbb \xff", 0, "ÄÖÜ ß ╔═╗ \u00a0"},
      {"Zordel\xc3\xb3.exe", 0, "Zordel├│.exe"},  // UTF-8 bytes without the flag are code page 437
      {"Zordel\xc3\xb3.exe", 0x0800, "Zordeló.exe"},
      {"\xe6\xb8\xac\xe8\xa9\xa6", 0x0800, "測試"},
      {"bad\xff", 0x0800, "bad\xef\xbf\xbd"},  // invalid UTF-8 becomes U+FFFD
  };
  std::vector<Member> members;
  for (const Case& c : cases) members.push_back({.name = c.raw, .data = "x", .flags = c.flags});
  const Built built = ziptest::build_zip(members);
  ziptest::keep_as_fuzz_seed("names", built.bytes);
  const zip::Archive archive = open_ok(built.bytes);
  ASSERT_EQ(zip::entry_count(archive), std::size(cases));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(archive.entries[i].name, cases[i].name) << i;
    EXPECT_EQ(archive.entries[i].raw_name, cases[i].raw) << i;
    EXPECT_TRUE(zip::open_entry(archive, i).reader) << i;  // the local name is compared as stored
  }
}

// Where a damage shows: opening the archive, opening entry 1, or reading entry 1.
enum class Stage { Archive, Entry, Read };

struct Damage {
  const char* what;
  Stage stage;
  const char* error;
  std::function<void(Built&)> damage;
  bool zip64 = false;
  std::vector<Member> members = {};  // default: the two members below
};

std::vector<Member> two_members() {
  return {{.name = "first.txt", .data = sample_text(5000, 7)}, {.name = "second.bin", .data = sample_text(70000, 9)}};
}

TEST(ZipReader, EachDamageIsReportedWhereItIsNoticed) {
  using ziptest::set16;
  using ziptest::set32;
  const std::string bad_crc = "entry 1 (second.bin): CRC-32 mismatch";
  const Damage table[] = {
      {"empty input", Stage::Archive, "no end-of-central-directory record found", [](Built& b) { b.bytes.clear(); }},
      {"cut short", Stage::Archive, "no end-of-central-directory record found",
       [](Built& b) { b.bytes.resize(b.bytes.size() - 5); }},
      {"bytes after the end record", Stage::Archive, "no end-of-central-directory record found",
       [](Built& b) { b.bytes.push_back(0); }},
      {"end record signature", Stage::Archive, "no end-of-central-directory record found",
       [](Built& b) { b.bytes[b.end_offset] ^= 1; }},
      {"comment length too long", Stage::Archive, "no end-of-central-directory record found",
       [](Built& b) { set16(b.bytes, b.end_offset + 20, 3); }},
      {"disk number", Stage::Archive, "the archive spans several disks",
       [](Built& b) { set16(b.bytes, b.end_offset + 4, 1); }},
      {"directory on another disk", Stage::Archive, "the archive spans several disks",
       [](Built& b) { set16(b.bytes, b.end_offset + 6, 2); }},
      {"entries on this disk differ from total", Stage::Archive, "the archive spans several disks",
       [](Built& b) { set16(b.bytes, b.end_offset + 8, 1); }},
      {"entry starts on another disk", Stage::Archive, "the archive spans several disks",
       [](Built& b) { set16(b.bytes, b.central_offsets[1] + 34, 1); }},
      {"directory offset past the end", Stage::Archive, "the central directory lies outside the archive",
       [](Built& b) { set32(b.bytes, b.end_offset + 16, static_cast<uint32_t>(b.end_offset + 1)); }},
      {"directory size too large", Stage::Archive, "the central directory lies outside the archive",
       [](Built& b) { set32(b.bytes, b.end_offset + 12, 0xFFFFFF00); }},
      {"entry count too large", Stage::Archive, "the central directory is too small for its entry count",
       [](Built& b) {
         set16(b.bytes, b.end_offset + 8, 60000);
         set16(b.bytes, b.end_offset + 10, 60000);
       }},
      {"fewer entries than records", Stage::Archive, "the central directory size does not match its records",
       [](Built& b) {
         set16(b.bytes, b.end_offset + 8, 1);
         set16(b.bytes, b.end_offset + 10, 1);
       }},
      {"central record signature", Stage::Archive, "bad central directory record signature at entry 1",
       [](Built& b) { b.bytes[b.central_offsets[1] + 1] = 'X'; }},
      {"central record name runs past the directory", Stage::Archive,
       "central directory record 1 runs past the directory",
       [](Built& b) { set16(b.bytes, b.central_offsets[1] + 28, 200); }},
      {"ZIP64 locator on another disk", Stage::Archive, "the archive spans several disks",
       [](Built& b) { set32(b.bytes, b.end_offset - 20 + 4, 1); }, true},
      {"ZIP64 end record outside", Stage::Archive, "the ZIP64 end-of-central-directory record lies outside the archive",
       [](Built& b) { set32(b.bytes, b.end_offset - 20 + 8, static_cast<uint32_t>(b.end_offset)); }, true},
      {"ZIP64 end record too long", Stage::Archive,
       "the ZIP64 end-of-central-directory record lies outside the archive",
       [](Built& b) { set32(b.bytes, b.zip64_end_offset + 4, 45); }, true},
      {"ZIP64 end record signature", Stage::Archive, "bad ZIP64 end-of-central-directory record signature",
       [](Built& b) { b.bytes[b.zip64_end_offset] ^= 0x40; }, true},
      {"ZIP64 directory offset past the end", Stage::Archive, "the central directory lies outside the archive",
       [](Built& b) { set32(b.bytes, b.zip64_end_offset + 48 + 4, 1); }, true},
      {"ZIP64 extra field missing", Stage::Archive, "central directory record 0 lacks its ZIP64 extra field",
       [](Built& b) { set16(b.bytes, b.central_offsets[0] + 46 + 9, 0x0009); }, true},  // extra id after "first.txt"
      {"local header outside", Stage::Entry, "entry 1 (second.bin): the local header lies outside the archive",
       [](Built& b) { set32(b.bytes, b.central_offsets[1] + 42, static_cast<uint32_t>(b.directory_offset - 10)); }},
      {"local header signature", Stage::Entry, "entry 1 (second.bin): bad local header signature",
       [](Built& b) { b.bytes[b.local_offsets[1] + 3] = 9; }},
      {"local header name", Stage::Entry, "entry 1 (second.bin): the local header does not match the central directory",
       [](Built& b) { b.bytes[b.local_offsets[1] + 30] = 'S'; }},
      {"local header method", Stage::Entry,
       "entry 1 (second.bin): the local header does not match the central directory",
       [](Built& b) { set16(b.bytes, b.local_offsets[1] + 8, 0); }},
      {"data runs into the directory", Stage::Entry,
       "entry 1 (second.bin): the entry's data runs past the archive data",
       [](Built& b) { set32(b.bytes, b.central_offsets[1] + 20, static_cast<uint32_t>(b.directory_offset)); }},
      {"unsupported method", Stage::Entry, "entry 1 (second.bin): unsupported compression method 12",
       [](Built& b) { set16(b.bytes, b.central_offsets[1] + 10, 12); }},
      {"encrypted", Stage::Entry, "entry 1 (second.bin): encrypted entries are not supported",
       [](Built& b) { set16(b.bytes, b.central_offsets[1] + 8, 1); }},
      {"stored sizes differ",
       Stage::Entry,
       "entry 1 (second.bin): a stored entry with different packed and unpacked sizes",
       [](Built&) {},
       false,
       {{.name = "first.txt", .data = "a"}, {.name = "second.bin", .data = "bc", .method = 0, .declared_size = 3}}},
      {"corrupt Deflate data", Stage::Read, "entry 1 (second.bin): the Deflate data is corrupt",
       [](Built& b) { std::fill_n(b.bytes.begin() + b.data_offsets[1], 8, 0xFF); }},
      {"Deflate data cut short",
       Stage::Read,
       "entry 1 (second.bin): the Deflate data ends too early",
       [](Built&) {},
       false,
       {{.name = "first.txt", .data = "a"},
        {.name = "second.bin",
         .data = sample_text(70000, 9),
         .packed = ziptest::deflate_raw(sample_text(70000, 9)).substr(0, 3000)}}},
      {"data longer than declared",
       Stage::Read,
       "entry 1 (second.bin): the data is longer than the entry's declared size",
       [](Built&) {},
       false,
       {{.name = "first.txt", .data = "a"},
        {.name = "second.bin", .data = sample_text(70000, 9), .declared_size = 69999}}},
      {"Deflate entry without data but with a size",
       Stage::Read,
       "entry 1 (second.bin): the data is shorter than the entry's declared size",
       [](Built&) {},
       false,
       {{.name = "first.txt", .data = "a"}, {.name = "second.bin", .data = "hello", .packed = ""}}},
      {"data shorter than declared",
       Stage::Read,
       "entry 1 (second.bin): the data is shorter than the entry's declared size",
       [](Built&) {},
       false,
       {{.name = "first.txt", .data = "a"},
        {.name = "second.bin", .data = sample_text(70000, 9), .declared_size = 70001}}},
      {"CRC-32 mismatch (Deflate)", Stage::Read, bad_crc.c_str(),
       [](Built& b) { b.bytes[b.central_offsets[1] + 16] ^= 1; }},
      {"CRC-32 mismatch (Stored)",
       Stage::Read,
       bad_crc.c_str(),
       [](Built&) {},
       false,
       {{.name = "first.txt", .data = "a"},
        {.name = "second.bin", .data = sample_text(70000, 9), .method = 0, .declared_crc = 1}}},
  };
  std::set<std::string> texts;
  for (const Damage& d : table) {
    SCOPED_TRACE(d.what);
    Built built = ziptest::build_zip(d.members.empty() ? two_members() : d.members, {.zip64 = d.zip64});
    d.damage(built);
    ziptest::keep_as_fuzz_seed("damage-" + std::to_string(&d - table), built.bytes);
    texts.insert(d.error);

    zip::OpenArchiveResult opened = zip::open_archive(built.bytes);
    if (d.stage == Stage::Archive) {
      EXPECT_FALSE(opened.archive);
      EXPECT_EQ(opened.error, d.error);
      continue;
    }
    ASSERT_TRUE(opened.archive) << opened.error;
    const zip::Archive& archive = *opened.archive;
    EXPECT_TRUE(zip::open_entry(archive, 0).reader);
    zip::OpenEntryResult entry = zip::open_entry(archive, 1);
    if (d.stage == Stage::Entry) {
      EXPECT_FALSE(entry.reader);
      EXPECT_EQ(entry.error, d.error);
      // The total counts an entry that does not open as 0.
      EXPECT_EQ(zip::total_unpacked_size(archive), archive.entries[0].size);
      continue;
    }
    ASSERT_TRUE(entry.reader) << entry.error;
    EXPECT_EQ(zip::total_unpacked_size(archive), archive.entries[0].size + archive.entries[1].size);
    const Drained got = drain(*entry.reader, 4096);
    EXPECT_EQ(got.error, d.error);
    // Never more than the declared size goes out.
    EXPECT_LE(got.data.size(), archive.entries[1].size);
  }
  // 22 kinds of damage with 22 texts (the several-disks and the CRC variants share theirs).
  EXPECT_EQ(texts.size(), 22u);
}

TEST(ZipReader, ChecksumMismatchShowsOnlyAfterAllBytesWereHandedOut) {
  const std::string data = sample_text(3 * 4096 + 10, 3);
  for (const uint16_t method : {uint16_t{0}, uint16_t{8}}) {
    const Built built =
        ziptest::build_zip({{.name = "z.bin", .data = data, .method = method, .declared_crc = 0xDEADBEEF}});
    const zip::Archive archive = open_ok(built.bytes);
    zip::OpenEntryResult e = zip::open_entry(archive, 0);
    ASSERT_TRUE(e.reader);
    const Drained got = drain(*e.reader, 4096);
    EXPECT_EQ(got.data, data) << "every byte is handed out before the mismatch shows";
    EXPECT_EQ(got.reads, 5u) << "four pieces, then the failing end";
    EXPECT_EQ(got.error, "entry 0 (z.bin): CRC-32 mismatch");
    std::vector<uint8_t> buf(8);
    EXPECT_EQ(zip::read(*e.reader, buf).error, got.error) << "the failure stays";
  }
}

TEST(ZipReader, CorruptDataHandsOutTheGoodBytesBeforeFailing) {
  // Intact blocks for the first half, flushed to a byte boundary, then a block of the reserved
  // type 3: the reader passes the first half on and fails at the bad block.
  const std::string data = sample_text(200000, 5);
  const std::string half = data.substr(0, 100000);
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string packed(deflateBound(&z, half.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(half.data()));
  z.avail_in = static_cast<uInt>(half.size());
  z.next_out = reinterpret_cast<Bytef*>(packed.data());
  z.avail_out = static_cast<uInt>(packed.size());
  ASSERT_EQ(deflate(&z, Z_FULL_FLUSH), Z_OK);
  packed.resize(packed.size() - z.avail_out);
  deflateEnd(&z);
  packed += "\xFF\xFF";
  const Built built = ziptest::build_zip({{.name = "c", .data = data, .packed = packed}});
  ziptest::keep_as_fuzz_seed("bad-second-block", built.bytes);
  const zip::Archive archive = open_ok(built.bytes);
  for (const size_t chunk : {size_t{4096}, size_t{1} << 20}) {
    zip::OpenEntryResult e = zip::open_entry(archive, 0);
    ASSERT_TRUE(e.reader);
    const Drained got = drain(*e.reader, chunk);
    EXPECT_EQ(got.error, "entry 0 (c): the Deflate data is corrupt");
    EXPECT_TRUE(got.data == half) << got.data.size();
  }
}

TEST(ZipReader, Cp437DecodesEveryHighByte) {
  std::string all;
  for (int b = 0x80; b <= 0xFF; ++b) all += static_cast<char>(b);
  const std::string utf8 = zip::cp437_to_utf8(all);
  EXPECT_EQ(utf8.substr(0, std::string("Çüéâ").size()), "Çüéâ");
  EXPECT_EQ(utf8.rfind("■\u00a0"), utf8.size() - std::string("■\u00a0").size());
  EXPECT_EQ(zip::cp437_to_utf8("\xe1\xe9\xed\xf3\xfa"), "ßΘφ≤·");
  EXPECT_EQ(zip::cp437_to_utf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
