#include "setup/engine/unpack.h"

#include <set>
#include <vector>

#include "common/product.h"
#include "common/text.h"
#include "common/winpath.h"
#include "setup/engine/extraction_name.h"
#include "setup/engine/zip_reader.h"

namespace {

UnpackResult failure(std::string message) { return {false, 0, std::move(message)}; }

// Writes all of `bytes`, in as many calls as it takes. Empty on success, else the error text.
std::string write_all(const FileSinkOps& files, uintptr_t file, std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    FileWriteResult r = files.write(file, bytes);
    if (!r.error.empty()) return r.error;
    if (r.written == 0) return "the file accepted no bytes";
    bytes = bytes.subspan(std::min(r.written, bytes.size()));
  }
  return {};
}

std::string ascii_lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The bytes held now by the files that the archive's entries will replace, each target counted
// once (names that differ only in ASCII letter case are the same file on Windows).
uint64_t bytes_to_replace(const zip::Archive& archive, const std::string& location, const FileSinkOps& files) {
  std::set<std::string> seen;
  uint64_t sum = 0;
  for (const zip::Entry& entry : archive.entries) {
    const std::optional<std::string> name = extraction_name(entry.name);
    if (!name || !seen.insert(ascii_lower(*name)).second) continue;
    sum += files.existing_size(winpath::join(location, *name));
  }
  return sum;
}

}  // namespace

bool payload_fits(uint64_t free_bytes, uint64_t replaced_bytes, uint64_t total) {
  const uint64_t room = free_bytes > UINT64_MAX - replaced_bytes ? UINT64_MAX : free_bytes + replaced_bytes;
  return room >= total;
}

uint32_t extraction_percent(uint64_t written, uint64_t divisor) {
  return static_cast<uint32_t>(uint64_t{80} * written / divisor) + 5;
}

const char* extraction_label(const std::string& target_name) {
  return text::equals_ascii_nocase(target_name, product::kGameExe) ? kGameLabel : kOtherFilesLabel;
}

UnpackResult unpack_archive(std::span<const uint8_t> bytes, const std::string& location, const FileSinkOps& files,
                            const ProgressSink& progress) {
  zip::OpenArchiveResult opened = zip::open_archive(bytes);
  if (!opened.archive) return failure("Sérült telepítőcsomag: " + opened.error);
  const zip::Archive& archive = *opened.archive;

  const uint64_t total = zip::total_unpacked_size(archive);
  const uint64_t divisor = total == 0 ? 1 : total;
  uint64_t written = 0;
  uint32_t last_percent = 0;

  // A reinstall that cannot fit must fail before it has cut the old files to nothing.
  if (files.free_space && files.existing_size) {
    const std::optional<uint64_t> free_bytes = files.free_space(location);
    if (free_bytes && !payload_fits(*free_bytes, bytes_to_replace(archive, location, files), total))
      return failure(files.disk_full_error);
  }

  for (size_t i = 0; i < zip::entry_count(archive); ++i) {
    zip::OpenEntryResult entry = zip::open_entry(archive, i);
    if (!entry.reader) return failure(entry.error);
    const std::optional<std::string> name = extraction_name(archive.entries[i].name);
    if (!name) continue;
    const std::string label = extraction_label(*name);
    const std::string path = winpath::join(location, *name);

    const FileOpenResult target = files.create_or_truncate(path);
    if (!target.ok) return failure("Nem írható: " + path + " (" + target.error + "). Be van zárva a játék?");
    std::vector<uint8_t> buffer(kCopyBufferSize);
    for (;;) {
      const zip::ReadResult piece = zip::read(*entry.reader, buffer);
      if (!piece.ok) {
        files.close(target.file);
        return failure(piece.error);
      }
      if (piece.size == 0) break;
      std::string write_error = write_all(files, target.file, std::span<const uint8_t>(buffer.data(), piece.size));
      if (!write_error.empty()) {
        files.close(target.file);
        return failure(std::move(write_error));
      }
      written += piece.size;
      const uint32_t percent = extraction_percent(written, divisor);
      if (percent != last_percent) {
        progress(percent, label);
        last_percent = percent;
      }
    }
    files.close(target.file);
  }
  return {true, total, {}};
}
