#include "setup/engine/unpack.h"

#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "common/text.h"
#include "setup/engine/zip_test_archive.h"

namespace {

using ziptest::Member;

// The two extraction labels.
constexpr const char* kGame = "A bánya és a világ kicsomagolása…";
constexpr const char* kOther = "Fájlok másolása…";
using Report = std::pair<uint32_t, std::string>;

// Files in memory, with the failures a test asks for.
struct MemoryFiles {
  std::map<std::string, std::string> files;
  std::vector<std::string> log;               // "open <path>", "close <path>"
  std::map<std::string, std::string> refuse;  // path -> I/O error text of the failed open
  std::optional<size_t> space;                // bytes that fit on the "disk", over all files
  std::optional<uint64_t> free;               // what the free-space question answers (none: unreadable)
  size_t max_per_write = SIZE_MAX;
  bool accept_nothing = false;

  std::map<uintptr_t, std::string> open_files;
  uintptr_t next = 100;
  size_t used = 0;

  FileSinkOps ops() {
    return {
        [this](const std::string& path) -> FileOpenResult {
          log.push_back("open " + path);
          if (refuse.count(path)) return {false, 0, refuse[path]};
          files[path].clear();
          open_files[++next] = path;
          return {true, next, {}};
        },
        [this](uintptr_t file, std::span<const uint8_t> bytes) -> FileWriteResult {
          EXPECT_TRUE(open_files.count(file));
          if (accept_nothing) return {0, {}};
          size_t n = std::min(bytes.size(), max_per_write);
          if (space) {
            if (used == *space) return {0, "Disk full. (os error 112)"};
            n = std::min(n, *space - used);
          }
          used += n;
          files[open_files[file]].append(reinterpret_cast<const char*>(bytes.data()), n);
          return {n, {}};
        },
        [this](uintptr_t file) {
          EXPECT_TRUE(open_files.count(file));
          log.push_back("close " + open_files[file]);
          open_files.erase(file);
        },
        [this](const std::string& folder) {
          log.push_back("free " + folder);
          return free;
        },
        [this](const std::string& path) -> uint64_t {
          // Names are compared as Windows does for ASCII letters.
          for (const auto& [name, content] : files)
            if (text::equals_ascii_nocase(name, path)) return content.size();
          return 0;
        },
        "Disk full. (os error 112)",
    };
  }
};

struct Unpacked {
  UnpackResult result;
  std::vector<Report> reports;
};

Unpacked unpack(const std::vector<uint8_t>& archive, MemoryFiles& files, const std::string& location = "C:\\Z") {
  Unpacked run;
  run.result = unpack_archive(archive, location, files.ops(),
                              [&](uint32_t p, const std::string& label) { run.reports.emplace_back(p, label); });
  EXPECT_TRUE(files.open_files.empty()) << "every file is closed";
  return run;
}

std::vector<Report> band(uint32_t from, uint32_t to, const char* label) {
  std::vector<Report> out;
  for (uint32_t p = from; p <= to; ++p) out.emplace_back(p, label);
  return out;
}

std::vector<Report> operator+(std::vector<Report> a, const std::vector<Report>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::string pattern(size_t size, char seed) {
  std::string out(size, '\0');
  for (size_t i = 0; i < size; ++i) out[i] = static_cast<char>(seed + i * 31 + (i >> 9));
  return out;
}

TEST(Unpack, TheGameThenTheUninstallerFillTheBandFrom5To85) {
  // The shape of the real payload: a big game executable first, then the small uninstaller.
  const uint64_t game_size = 100ull << 20;
  const std::string uninstaller = pattern(363520, 'u');
  const auto built =
      ziptest::build_zip({{.name = "Zordelo.exe", .zeros = game_size}, {.name = "uninstall.exe", .data = uninstaller}});
  MemoryFiles files;
  const Unpacked run = unpack(built.bytes, files, "C:\\Users\\Béla\\AppData\\Local\\Programs\\Zordelo");
  ASSERT_TRUE(run.result.ok) << run.result.error;
  EXPECT_EQ(run.result.total, game_size + uninstaller.size());
  EXPECT_EQ(run.reports, band(5, 84, kGame) + band(85, 85, kOther));
  const std::string game = files.files["C:\\Users\\Béla\\AppData\\Local\\Programs\\Zordelo\\Zordelo.exe"];
  EXPECT_EQ(game.size(), game_size);
  EXPECT_EQ(game.find_first_not_of('\0'), std::string::npos);
  EXPECT_TRUE(files.files["C:\\Users\\Béla\\AppData\\Local\\Programs\\Zordelo\\uninstall.exe"] == uninstaller);
}

TEST(Unpack, ReportsFollowTheWholePercentageOfBytesWritten) {
  struct Case {
    const char* what;
    std::vector<Member> members;
    std::vector<Report> reports;
    uint64_t total;
  } cases[] = {
      {"nothing to write", {{.name = "Zordelo.exe"}, {.name = "uninstall.exe", .method = 0}}, {}, 0},
      {"no entries", {}, {}, 0},
      {"1 MiB pieces of a 4 MiB entry jump 20 points",
       {{.name = "x.bin", .zeros = 4 << 20, .method = 0}},
       {{25, kOther}, {45, kOther}, {65, kOther}, {85, kOther}},
       4 << 20},
      {"a skipped entry still counts in the total",
       {{.name = "Zordelo.exe", .zeros = 3 << 20}, {.name = "../evil.exe", .zeros = 1 << 20}},
       {{25, kGame}, {45, kGame}, {65, kGame}},
       4 << 20},
      {"a folder entry with bytes counts too",
       {{.name = "data/", .data = "abc"}, {.name = "Zordelo.exe", .data = "d"}},
       {{25, kGame}},
       4},
      {"an entry too small to move the percentage never shows its label",
       {{.name = "a.bin", .zeros = 950000},
        {.name = "Zordelo.exe", .data = "0123456789"},
        {.name = "b.bin", .zeros = 1100000}},
       {{42, kOther}, {82, kOther}, {85, kOther}},
       2050010},
      {"the first byte is always reported",
       {{.name = "uninstall.exe", .data = "x"}, {.name = "Zordelo.exe", .zeros = 5 << 20}},
       {{5, kOther}, {21, kGame}, {37, kGame}, {53, kGame}, {69, kGame}, {85, kGame}},
       (5 << 20) + 1},
      {"lower-case game name", {{.name = "zordelo.exe", .data = "g"}}, {{85, kGame}}, 1},
      {"upper-case extension", {{.name = "Zordelo.EXE", .data = "g"}}, {{85, kGame}}, 1},
      {"all capitals in a folder", {{.name = "bin/ZORDELO.EXE", .data = "g"}}, {{85, kGame}}, 1},
      {"a name that goes on after the game name", {{.name = "Zordelo.exe.bak", .data = "g"}}, {{85, kOther}}, 1},
      {"a longer name that starts like it", {{.name = "Zordelo.exe2", .data = "g"}}, {{85, kOther}}, 1},
      {"non-ASCII letters do not fold", {{.name = "Zordeló.exe", .data = "g"}}, {{85, kOther}}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto built = ziptest::build_zip(c.members);
    MemoryFiles files;
    const Unpacked run = unpack(built.bytes, files);
    ASSERT_TRUE(run.result.ok) << run.result.error;
    EXPECT_EQ(run.result.total, c.total);
    EXPECT_EQ(run.reports, c.reports);
  }
}

TEST(Unpack, NamesAreFlattenedUnsafeOnesSkippedAndTheLaterDuplicateWins) {
  const auto built = ziptest::build_zip({
      {.name = "data/"},
      {.name = "data/x.bin", .data = "first"},
      {.name = "../evil.exe", .data = "evil"},
      {.name = "\\evil.exe", .data = "evil"},
      {.name = "C:evil.exe", .data = "evil"},
      {.name = "", .data = "nameless"},
      {.name = "sub\\deeper\\y.txt", .data = "why"},
      {.name = "x.bin", .data = "second", .method = 0},
      {.name = "a/../z.txt", .data = "zed"},
  });
  ziptest::keep_as_fuzz_seed("unpack-names", built.bytes);
  MemoryFiles files;
  const Unpacked run = unpack(built.bytes, files, "D:\\Games\\Zordelo");
  ASSERT_TRUE(run.result.ok) << run.result.error;
  EXPECT_EQ(run.result.total, 5 + 4 * 3 + 8 + 3 + 6 + 3u);
  const std::map<std::string, std::string> want = {{"D:\\Games\\Zordelo\\x.bin", "second"},
                                                   {"D:\\Games\\Zordelo\\y.txt", "why"},
                                                   {"D:\\Games\\Zordelo\\z.txt", "zed"}};
  EXPECT_EQ(files.files, want);
  const std::vector<std::string> log = {
      "free D:\\Games\\Zordelo",         "open D:\\Games\\Zordelo\\x.bin",  "close D:\\Games\\Zordelo\\x.bin",
      "open D:\\Games\\Zordelo\\y.txt",  "close D:\\Games\\Zordelo\\y.txt", "open D:\\Games\\Zordelo\\x.bin",
      "close D:\\Games\\Zordelo\\x.bin", "open D:\\Games\\Zordelo\\z.txt",  "close D:\\Games\\Zordelo\\z.txt"};
  EXPECT_EQ(files.log, log);
}

TEST(Unpack, TargetPathsJoinByTheWindowsRule) {
  const auto built = ziptest::build_zip({{.name = "f", .data = "1"}});
  for (const auto& [location, path] : std::vector<std::pair<std::string, std::string>>{
           {"C:\\Z", "C:\\Z\\f"}, {"C:\\Z\\", "C:\\Z\\f"}, {"C:/Z/", "C:/Z/f"}, {"D:", "D:f"}, {"", "f"}}) {
    MemoryFiles files;
    ASSERT_TRUE(unpack(built.bytes, files, location).result.ok);
    EXPECT_EQ(files.files.begin()->first, path) << location;
  }
}

TEST(Unpack, WritesAreCompletedWhateverTheSinkAcceptsPerCall) {
  const std::string data = pattern(2500000, 'w');
  const auto built = ziptest::build_zip({{.name = "Zordelo.exe", .data = data}});
  MemoryFiles files;
  files.max_per_write = 4093;
  const Unpacked run = unpack(built.bytes, files);
  ASSERT_TRUE(run.result.ok) << run.result.error;
  EXPECT_TRUE(files.files["C:\\Z\\Zordelo.exe"] == data);
  EXPECT_EQ(run.reports, (std::vector<Report>{{38, kGame}, {72, kGame}, {85, kGame}}));
}

TEST(Unpack, EachFailureGivesItsOwnMessageAndLeavesWhatWasWritten) {
  const std::string first = pattern(3000, 'a');
  const std::string game = pattern(3 << 20, 'g');
  struct Case {
    const char* what;
    std::vector<uint8_t> archive;
    std::function<void(MemoryFiles&)> setup;
    std::string error;
    std::map<std::string, size_t> sizes;  // files left behind
    std::vector<Report> reports;
  };
  auto damaged = ziptest::build_zip({{.name = "readme.txt", .data = first}, {.name = "Zordelo.exe", .data = game}});
  std::fill_n(damaged.bytes.begin() + damaged.data_offsets[1], 8, 0xFF);  // a reserved block type
  std::vector<Case> cases = {
      {"the archive does not open",
       {'P', 'K', 5, 6},
       {},
       "Sérült telepítőcsomag: no end-of-central-directory record found",
       {},
       {}},
      {"an entry does not open",
       ziptest::build_zip({{.name = "readme.txt", .data = first}, {.name = "Zordelo.exe", .data = game, .method = 14}})
           .bytes,
       {},
       "entry 1 (Zordelo.exe): unsupported compression method 14",
       {{"C:\\Z\\readme.txt", 3000}},
       {{85, kOther}}},
      {"the target cannot be created",
       ziptest::build_zip({{.name = "readme.txt", .data = first}, {.name = "Zordelo.exe", .data = game}}).bytes,
       [](MemoryFiles& f) { f.refuse["C:\\Z\\Zordelo.exe"] = "Sharing violation. (os error 32)"; },
       "Nem írható: C:\\Z\\Zordelo.exe (Sharing violation. (os error 32)). Be van zárva a játék?",
       {{"C:\\Z\\readme.txt", 3000}},
       {{5, kOther}}},
      {"the disk fills up",
       ziptest::build_zip({{.name = "readme.txt", .data = first}, {.name = "Zordelo.exe", .data = game}}).bytes,
       [](MemoryFiles& f) { f.space = 1500000; },
       "Disk full. (os error 112)",
       {{"C:\\Z\\readme.txt", 3000}, {"C:\\Z\\Zordelo.exe", 1497000}},
       {{5, kOther}, {31, kGame}}},
      {"the file takes nothing",
       ziptest::build_zip({{.name = "Zordelo.exe", .data = game}}).bytes,
       [](MemoryFiles& f) { f.accept_nothing = true; },
       "the file accepted no bytes",
       {{"C:\\Z\\Zordelo.exe", 0}},
       {}},
      {"the checksum fails after the whole file",
       ziptest::build_zip(
           {{.name = "readme.txt", .data = first}, {.name = "Zordelo.exe", .data = game, .declared_crc = 7}})
           .bytes,
       {},
       "entry 1 (Zordelo.exe): CRC-32 mismatch",
       {{"C:\\Z\\readme.txt", 3000}, {"C:\\Z\\Zordelo.exe", 3 << 20}},
       {{5, kOther}, {31, kGame}, {58, kGame}, {85, kGame}}},
      {"corrupt data",
       damaged.bytes,
       {},
       "entry 1 (Zordelo.exe): the Deflate data is corrupt",
       {{"C:\\Z\\readme.txt", 3000}, {"C:\\Z\\Zordelo.exe", 0}},
       {{5, kOther}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryFiles files;
    if (c.setup) c.setup(files);
    const Unpacked run = unpack(c.archive, files);
    EXPECT_FALSE(run.result.ok);
    EXPECT_EQ(run.result.error, c.error);
    std::map<std::string, size_t> sizes;
    for (const auto& [path, content] : files.files) sizes[path] = content.size();
    EXPECT_EQ(sizes, c.sizes);
    EXPECT_EQ(run.reports, c.reports);
  }
}

TEST(Unpack, APayloadThatCannotFitFailsBeforeAnyFileIsOpened) {
  const std::string game = pattern(3000, 'g');
  const std::string uninstaller = pattern(1000, 'u');
  const std::vector<Member> payload = {{.name = "Zordelo.exe", .data = game},
                                       {.name = "uninstall.exe", .data = uninstaller}};
  struct Case {
    const char* what;
    std::vector<Member> members;
    std::map<std::string, std::string> before;  // files in the folder before the run
    std::optional<uint64_t> free;
    bool fits;
  } cases[] = {
      {"empty folder, one byte short", payload, {}, 3999, false},
      {"empty folder, exactly enough", payload, {}, 4000, true},
      {"the old game's bytes count as room", payload, {{"C:\\Z\\Zordelo.exe", std::string(2500, 'o')}}, 1500, true},
      {"the old game's bytes and one byte short",
       payload,
       {{"C:\\Z\\Zordelo.exe", std::string(2500, 'o')}, {"C:\\Z\\uninstall.exe", std::string(499, 'o')}},
       1000,
       false},
      {"both old files count",
       payload,
       {{"C:\\Z\\Zordelo.exe", std::string(2500, 'o')}, {"C:\\Z\\uninstall.exe", std::string(500, 'o')}},
       1000,
       true},
      {"other files of the folder are no room", payload, {{"C:\\Z\\notes.txt", std::string(10000, 'n')}}, 3999, false},
      {"a target named twice (in other letter case) is counted once",
       {{.name = "Zordelo.exe", .data = game}, {.name = "bin/ZORDELO.EXE", .data = game}},
       {{"C:\\Z\\Zordelo.exe", std::string(2000, 'o')}},
       3999,
       false},
      {"the namesake of a skipped entry is not replaced, so it is no room",
       {{.name = "Zordelo.exe", .data = game}, {.name = "../evil.exe", .data = uninstaller}},
       {{"C:\\Z\\evil.exe", std::string(1000, 'e')}},
       3000,
       false},
      {"free space that cannot be read: go on", payload, {}, std::nullopt, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto built = ziptest::build_zip(c.members);
    MemoryFiles files;
    files.files = c.before;
    files.free = c.free;
    const Unpacked run = unpack(built.bytes, files);
    EXPECT_EQ(run.result.ok, c.fits) << run.result.error;
    if (c.fits) continue;
    EXPECT_EQ(run.result.error, "Disk full. (os error 112)");
    EXPECT_EQ(files.log, std::vector<std::string>{"free C:\\Z"}) << "no file was opened";
    EXPECT_EQ(files.files, c.before) << "nothing was written";
    EXPECT_TRUE(run.reports.empty());
  }
}

TEST(Unpack, FitArithmetic) {
  struct Case {
    uint64_t free_bytes, replaced, total;
    bool fits;
  } cases[] = {
      {0, 0, 0, true},
      {10, 0, 10, true},
      {9, 0, 10, false},
      {4, 6, 10, true},
      {4, 5, 10, false},
      {0, 10, 10, true},
      // The sum does not wrap around.
      {UINT64_MAX, 1, UINT64_MAX, true},
      {1, UINT64_MAX, 5, true},
      {UINT64_MAX - 1, 0, UINT64_MAX, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(payload_fits(c.free_bytes, c.replaced, c.total), c.fits)
        << c.free_bytes << "+" << c.replaced << " vs " << c.total;
}

TEST(Unpack, PercentageArithmetic) {
  struct Case {
    uint64_t written, divisor;
    uint32_t percent;
  } cases[] = {
      {0, 1, 5},
      {1, 1, 85},
      {1, 80, 6},
      {79, 80, 84},
      {328817872, 329181392, 84},
      {329181392, 329181392, 85},
      {1ull << 40, 1ull << 40, 85},
      // 80 * written is taken modulo 2^64: 80 * 2^62 wraps to 0.
      {1ull << 62, 1ull << 62, 5},
  };
  for (const Case& c : cases)
    EXPECT_EQ(extraction_percent(c.written, c.divisor), c.percent) << c.written << "/" << c.divisor;
}

}  // namespace
