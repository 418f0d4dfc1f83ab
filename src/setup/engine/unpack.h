// Writing the files of an archive into the install folder, with progress: the whole unpacking
// rule, independent of where the archive lives and how files are written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "setup/engine/progress.h"

// Outcome of creating a target file: a handle for the other operations, or the I/O error text.
struct FileOpenResult {
  bool ok = false;
  uintptr_t file = 0;
  std::string error;
};

// Outcome of one write call: how many bytes were accepted (possibly fewer than offered), or,
// when error is not empty, the I/O error text of a failed write.
struct FileWriteResult {
  size_t written = 0;
  std::string error;
};

// How target files are written: create-or-truncate (write access only, others may read, write
// or delete meanwhile), write, close; and what the unpacker asks before it writes anything.
struct FileSinkOps {
  std::function<FileOpenResult(const std::string& path)> create_or_truncate;
  std::function<FileWriteResult(uintptr_t file, std::span<const uint8_t> bytes)> write;
  std::function<void(uintptr_t file)> close;
  // Bytes free on the volume that holds the folder, as far as this user may use them; none when
  // they cannot be read (an empty function counts as that).
  std::function<std::optional<uint64_t>(const std::string& folder)> free_space;
  // The size of the file at path, 0 when there is none (or it is a folder).
  std::function<uint64_t(const std::string& path)> existing_size;
  // The I/O error text of a full disk.
  std::string disk_full_error;
};

// Whether a payload of `total` bytes fits where `free_bytes` are free and the files it replaces
// hold `replaced_bytes` (they are cut to nothing and written again).
bool payload_fits(uint64_t free_bytes, uint64_t replaced_bytes, uint64_t total);

// Bytes passed from the archive to a file in one go; each written entry gets a fresh,
// zero-filled buffer of this size.
inline constexpr size_t kCopyBufferSize = 1 << 20;

inline constexpr const char* kGameLabel = "A bánya és a világ kicsomagolása…";
inline constexpr const char* kOtherFilesLabel = "Fájlok másolása…";

// The percentage reported after `written` of `divisor` bytes: 5 + floor(80 * written / divisor),
// the product and quotient in unsigned 64-bit arithmetic, the quotient cut to 32 bits.
uint32_t extraction_percent(uint64_t written, uint64_t divisor);

// The status text shown while the entry with this target name is written.
const char* extraction_label(const std::string& target_name);

// Opens the archive and writes its entries, in archive order, into the folder `location` (which
// exists): each entry with a target name (see extraction_name) becomes location\name, replacing
// a file of that name. Before it opens the first target file it compares the free space of the
// location (when it can be read) plus the sizes of the files it will replace with T, and when
// the payload cannot fit it fails with the full-disk text, having written nothing. Reports 5 + floor(80 * W / T)
// whenever the whole percentage changes, W being the bytes written so far and T the total declared size. Returns T, or
// the one error message: "Sérült telepítőcsomag: <reader text>" when the archive does not open, the reader's text when
// an entry fails to open or read, "Nem írható: <path> (<I/O error>). Be van zárva a játék?" when a file cannot be
// created, the I/O error text when a write fails. Files written before a failure stay, and so does the failing one.
UnpackResult unpack_archive(std::span<const uint8_t> archive, const std::string& location, const FileSinkOps& files,
                            const ProgressSink& progress);
