// libFuzzer target: arbitrary bytes as a ZIP archive, through the reader, extraction_name and
// the whole unpacking rule (into a sink that keeps nothing), checking their promises on the way.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "setup/engine/extraction_name.h"
#include "setup/engine/unpack.h"
#include "setup/engine/zip_reader.h"

namespace {

// Inputs may declare (and deflate to) gigabytes; stop each walk after this many bytes.
constexpr uint64_t kOutputCap = 8 << 20;

void check(bool promise) {
  if (!promise) std::abort();
}

void check_name(std::string_view entry_name) {
  const std::optional<std::string> target = extraction_name(entry_name);
  if (!target) return;
  check(!target->empty() && *target != "." && *target != "..");
  check(target->find_first_of(std::string_view("/\\\0", 3)) == std::string::npos);
  check(entry_name.find(*target) != std::string_view::npos);
}

void read_entries(const zip::Archive& archive) {
  uint64_t out = 0;
  std::vector<uint8_t> buffer(4093);
  for (size_t i = 0; i < zip::entry_count(archive) && out < kOutputCap; ++i) {
    check_name(archive.entries[i].name);
    zip::OpenEntryResult entry = zip::open_entry(archive, i);
    check(entry.reader.has_value() != !entry.error.empty());
    if (!entry.reader) continue;
    uint64_t produced = 0;
    while (out < kOutputCap) {
      const zip::ReadResult r = zip::read(*entry.reader, buffer);
      if (!r.ok) {
        check(!r.error.empty() && r.size == 0);
        break;
      }
      check(r.size <= buffer.size());
      produced += r.size;
      out += r.size;
      check(produced <= archive.entries[i].size);
      if (r.size == 0) {
        check(produced == archive.entries[i].size);
        break;
      }
    }
  }
}

void unpack(std::span<const uint8_t> bytes) {
  uint64_t written = 0;
  int open_files = 0;
  FileSinkOps sink{
      [&](const std::string&) -> FileOpenResult {
        ++open_files;
        return {true, 1, {}};
      },
      [&](uintptr_t, std::span<const uint8_t> b) -> FileWriteResult {
        if (written >= kOutputCap) return {0, "cap reached (os error 112)"};
        written += b.size();
        return {b.size(), {}};
      },
      [&](uintptr_t) { --open_files; },
      {},  // free space unknown, so the room check is skipped
      {},
      {},
  };
  uint32_t last = 0;
  const UnpackResult r = unpack_archive(bytes, "C:\\Z", sink, [&](uint32_t percent, const std::string&) {
    check(percent > last && percent >= 5 && percent <= 85);
    last = percent;
  });
  check(open_files == 0);
  check(r.ok != !r.error.empty());
  // Skipped entries count in the total without being written.
  if (r.ok) check(written <= r.total);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  check_name(std::string_view(reinterpret_cast<const char*>(data), size));
  const zip::OpenArchiveResult opened = zip::open_archive(bytes);
  check(opened.archive.has_value() != !opened.error.empty());
  if (opened.archive) {
    zip::total_unpacked_size(*opened.archive);
    read_entries(*opened.archive);
  }
  unpack(bytes);
  return 0;
}
