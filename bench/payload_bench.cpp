// Host side of the payload benchmark (see payload_bench.sh). Subcommands:
//   generate FILE SIZE [RANDOM_PERMILLE]  deterministic synthetic game executable
//   ours ARCHIVE DIR                      our unpack_archive (the code setup.exe runs), real files
//   inflate ARCHIVE DIR                   bare zlib inflate of the same entries, same writes
//   measure CMD [ARGS...]                 runs CMD; prints wall seconds and the peak RssAnon /
//                                         RssFile of its process, sampled from /proc every 1 ms
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "setup/engine/unpack.h"

namespace {

[[noreturn]] void die(const std::string& what) {
  std::fprintf(stderr, "payload_bench: %s\n", what.c_str());
  std::exit(2);
}

struct Mapped {
  const uint8_t* data = nullptr;
  size_t size = 0;
};

// The archive mapped read-only, as the Windows loader maps setup.exe's image: file-backed pages.
Mapped map_file(const char* path) {
  const int fd = open(path, O_RDONLY);
  if (fd < 0) die(std::string("cannot open ") + path);
  struct stat st {};
  fstat(fd, &st);
  void* p = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
  close(fd);
  if (p == MAP_FAILED) die("mmap failed");
  return {static_cast<const uint8_t*>(p), static_cast<size_t>(st.st_size)};
}

bool write_all(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t w = write(fd, p, n);
    if (w <= 0) return false;
    p += w;
    n -= static_cast<size_t>(w);
  }
  return true;
}

uint64_t splitmix(uint64_t& s) {
  uint64_t z = (s += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// 4 KiB blocks: some random (incompressible, like packed resources), the rest built from a
// small vocabulary of byte strings (compressible, like code and tables).
int generate(const char* path, uint64_t size, unsigned random_permille) {
  uint64_t seed = 0x5A4F5244454C4FULL;  // fixed: same bytes every time
  std::vector<std::string> words(512);
  for (auto& w : words) {
    w.resize(2 + splitmix(seed) % 9);
    for (auto& c : w) c = static_cast<char>(splitmix(seed));
  }
  std::ofstream out(path, std::ios::binary);
  std::string block;
  for (uint64_t done = 0; done < size;) {
    block.clear();
    if (splitmix(seed) % 1000 < random_permille) {
      while (block.size() < 4096) {
        const uint64_t r = splitmix(seed);
        block.append(reinterpret_cast<const char*>(&r), 8);
      }
    } else {
      while (block.size() < 4096) {
        const uint64_t r = splitmix(seed);
        // Skewed choice: small indexes are much more frequent.
        const size_t i = static_cast<size_t>((r & 0xFFFF) * ((r >> 16) & 0xFFFF) >> 23) % words.size();
        block += words[i];
      }
    }
    const size_t n = static_cast<size_t>(std::min<uint64_t>(4096, size - done));
    out.write(block.data(), static_cast<std::streamsize>(n));
    done += n;
  }
  return out ? 0 : 1;
}

int ours(const char* archive, const std::string& dir) {
  const Mapped m = map_file(archive);
  const FileSinkOps files{
      [](const std::string& path) -> FileOpenResult {
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) return {false, 0, std::strerror(errno)};
        return {true, static_cast<uintptr_t>(fd), {}};
      },
      [](uintptr_t fd, std::span<const uint8_t> bytes) -> FileWriteResult {
        const ssize_t w = write(static_cast<int>(fd), bytes.data(), bytes.size());
        if (w < 0) return {0, std::strerror(errno)};
        return {static_cast<size_t>(w), {}};
      },
      [](uintptr_t fd) { close(static_cast<int>(fd)); },
  };
  // Paths are joined by the Windows rule; on the host '/' in the location works the same.
  const UnpackResult r = unpack_archive({m.data, m.size}, dir + "/", files, [](uint32_t, const std::string&) {});
  if (!r.ok) die(r.error);
  return 0;
}

// No container checks and no CRC: walk the local headers (sizes are in them when flags are 0)
// and inflate each entry through a 1 MiB buffer into its file.
int bare_inflate(const char* archive, const std::string& dir) {
  const Mapped m = map_file(archive);
  size_t pos = 0;
  std::vector<uint8_t> buffer(1 << 20);
  const auto u16 = [&](size_t at) { return static_cast<uint32_t>(m.data[at] | m.data[at + 1] << 8); };
  const auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  while (pos + 30 <= m.size && u32(pos) == 0x04034b50) {
    const uint32_t packed = u32(pos + 18), name_len = u16(pos + 26), extra_len = u16(pos + 28);
    const std::string name(reinterpret_cast<const char*>(m.data + pos + 30), name_len);
    const size_t data = pos + 30 + name_len + extra_len;
    const int fd = open((dir + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) die("cannot create " + name);
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    z.next_in = const_cast<Bytef*>(m.data + data);
    z.avail_in = packed;
    int rc = Z_OK;
    while (rc != Z_STREAM_END) {
      z.next_out = buffer.data();
      z.avail_out = static_cast<uInt>(buffer.size());
      rc = inflate(&z, Z_NO_FLUSH);
      if (rc != Z_OK && rc != Z_STREAM_END) die("inflate failed on " + name);
      if (!write_all(fd, buffer.data(), buffer.size() - z.avail_out)) die("write failed");
    }
    inflateEnd(&z);
    close(fd);
    pos = data + packed;
  }
  return 0;
}

// RssAnon and RssFile of a process in KiB, from /proc/<pid>/status.
bool sample(pid_t pid, long& anon, long& file) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  bool any = false;
  while (std::getline(in, line)) {
    if (line.rfind("RssAnon:", 0) == 0) anon = std::atol(line.c_str() + 8), any = true;
    if (line.rfind("RssFile:", 0) == 0) file = std::atol(line.c_str() + 8);
  }
  return any;
}

int measure(char** argv) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[0], argv);
    _exit(127);
  }
  long peak_anon = 0, peak_file = 0;
  int status = 0;
  for (;;) {
    long anon = 0, file = 0;
    // Sampled before reaping, while the process still exists.
    if (sample(pid, anon, file)) {
      peak_anon = std::max(peak_anon, anon);
      peak_file = std::max(peak_file, file);
    }
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("wall_s=%.3f peak_rss_anon_kib=%ld peak_rss_file_kib=%ld exit=%d\n", wall, peak_anon, peak_file,
              WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string cmd = argc > 1 ? argv[1] : "";
  if (cmd == "generate" && argc >= 4)
    return generate(argv[2], std::strtoull(argv[3], nullptr, 10), argc > 4 ? std::atoi(argv[4]) : 430);
  if (cmd == "ours" && argc == 4) return ours(argv[2], argv[3]);
  if (cmd == "inflate" && argc == 4) return bare_inflate(argv[2], argv[3]);
  if (cmd == "measure" && argc >= 3) return measure(argv + 2);
  die("usage: generate FILE SIZE [RANDOM_PERMILLE] | ours ARCHIVE DIR | inflate ARCHIVE DIR | measure CMD...");
}
