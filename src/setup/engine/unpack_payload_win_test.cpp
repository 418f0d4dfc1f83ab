// Unpacking into real folders under Wine (or Windows): the payload embedded in
// this test program is the one setup.exe carries.
#include "setup/engine/unpack_payload_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "common/system_win.h"
#include "common/win_text_win.h"
#include "setup/engine/file_sink_win.h"
#include "setup/engine/unpack.h"
#include "setup/engine/zip_reader.h"
#include "setup/engine/zip_test_archive.h"

namespace {

namespace fs = std::filesystem;
using Report = std::pair<uint32_t, std::string>;

// A scratch folder under the temporary folder, removed at the end of the test.
struct Scratch {
  fs::path dir;
  explicit Scratch(const fs::path &parent, const char *name) : dir(parent / name) {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  explicit Scratch(const char *name) : Scratch(fs::path(temp_folder()), name) {}
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string text() const { return from_wide(dir.wstring()); }
};

std::string read_file(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const fs::path &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

fs::path build_path(const char *unix_path) {
  // The build passes Unix paths; under Wine the Unix root is drive Z:.
  std::string p = unix_path;
  if (!p.empty() && p[0] == '/') p = "Z:" + p;
  return fs::path(to_wide(p));
}

// A started child process, ended when the test is done with it.
struct Child {
  PROCESS_INFORMATION pi{};
  bool started = false;
  Child(const fs::path &exe, const std::wstring &args) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring line = L"\"" + exe.wstring() + L"\" " + args;
    started =
        CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi);
  }
  ~Child() { end(); }
  void end() {
    if (!started) return;
    started = false;
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
};

// Waits until opening `path` for writing (as the unpacker does) fails with a
// sharing violation.
bool wait_until_locked(const fs::path &path) {
  for (int i = 0; i < 200; ++i) {
    const HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) return true;
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

TEST(UnpackPayload, TheEmbeddedPayloadIsThePackedArchive) {
  const std::string packed = read_file(build_path(ZORDELO_PAYLOAD_ZIP));
  const std::span<const uint8_t> embedded = payload_bytes();
  ASSERT_EQ(embedded.size(), packed.size());
  EXPECT_EQ(std::memcmp(embedded.data(), packed.data(), packed.size()), 0);

  const zip::OpenArchiveResult opened = zip::open_archive(embedded);
  ASSERT_TRUE(opened.archive) << opened.error;
  ASSERT_EQ(zip::entry_count(*opened.archive), 2u);
  EXPECT_EQ(opened.archive->entries[0].name, "Zordelo.exe");
  EXPECT_EQ(opened.archive->entries[1].name, "uninstall.exe");
  EXPECT_EQ(zip::total_unpacked_size(*opened.archive),
            fs::file_size(build_path(ZORDELO_PAYLOAD_GAME)) + fs::file_size(build_path(ZORDELO_PAYLOAD_UNINSTALL)));
}

TEST(UnpackPayload, AnEarlierInstallIsReplacedAndOtherFilesStay) {
  Scratch scratch("zordelo-unpack-earlier");
  const std::string game = read_file(build_path(ZORDELO_PAYLOAD_GAME));
  const std::string uninstaller = read_file(build_path(ZORDELO_PAYLOAD_UNINSTALL));
  // The earlier files are longer than the new ones: nothing of them may
  // survive.
  write_file(scratch.dir / L"Zordelo.exe", std::string(game.size() + 5000, 'G'));
  write_file(scratch.dir / L"uninstall.exe", std::string(uninstaller.size() * 2, 'U'));
  write_file(scratch.dir / L"mentés.sav", "a saved game");
  fs::create_directories(scratch.dir / L"screens");
  write_file(scratch.dir / L"screens" / L"shot.png", "png");

  std::vector<Report> reports;
  const UnpackResult r =
      unpack_payload(scratch.text(), [&](uint32_t p, const std::string &label) { reports.emplace_back(p, label); });
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.total, game.size() + uninstaller.size());
  EXPECT_TRUE(read_file(scratch.dir / L"Zordelo.exe") == game);
  EXPECT_TRUE(read_file(scratch.dir / L"uninstall.exe") == uninstaller);
  EXPECT_EQ(read_file(scratch.dir / L"mentés.sav"), "a saved game");
  EXPECT_EQ(read_file(scratch.dir / L"screens" / L"shot.png"), "png");
  size_t count = 0;
  for (const auto &e : fs::directory_iterator(scratch.dir)) count += e.exists();
  EXPECT_EQ(count, 4u);

  // Both files fit one piece each: one report for the game, at 5 + 80 * W / T in whole percent
  // with W the game's size, and one for the uninstaller.
  const uint32_t after_game = 5 + static_cast<uint32_t>(80 * game.size() / r.total);
  EXPECT_EQ(reports,
            (std::vector<Report>{{after_game, "A bánya és a világ kicsomagolása…"}, {85, "Fájlok másolása…"}}));
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(UnpackPayload, AGameFileThatStaysInUseCannotBeReplaced) {
  const std::string expected_tail = " (Sharing violation. (os error 32)). Be van zárva a játék?";
  const std::string game = read_file(build_path(ZORDELO_PAYLOAD_GAME));
  struct Case {
    const char *what;
    bool run_the_game;  // else another program holds the file open without
                        // sharing
  } cases[] = {{"the game is running", true}, {"another program holds the file", false}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Scratch scratch("zordelo-unpack-in-use");
    const fs::path target = scratch.dir / L"Zordelo.exe";
    write_file(target, game);
    write_file(scratch.dir / L"uninstall.exe", "old uninstaller");
    SetEnvironmentVariableW(L"ZORDELO_GAME_SECONDS", L"60");
    Child holder = c.run_the_game ? Child(target, L"")
                                  : Child(fs::path(to_wide(ZORDELO_FIXTURE_DIR)) / L"file_holder.exe",
                                          L"\"" + target.wstring() + L"\" 60");
    SetEnvironmentVariableW(L"ZORDELO_GAME_SECONDS", nullptr);
    ASSERT_TRUE(holder.started);
    ASSERT_TRUE(wait_until_locked(target));

    std::vector<Report> reports;
    const auto started = std::chrono::steady_clock::now();
    const UnpackResult r =
        unpack_payload(scratch.text(), [&](uint32_t p, const std::string &label) { reports.emplace_back(p, label); });
    const double waited = seconds_since(started);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, "Nem írható: " + scratch.text() + "\\Zordelo.exe" + expected_tail);
    std::printf("error after %.2f s: %s\n", waited, r.error.c_str());
    EXPECT_GE(waited, 4.9) << "the file was tried again for about 5 seconds";
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(read_file(scratch.dir / L"uninstall.exe"), "old uninstaller") << "later entries are not reached";
    holder.end();
    EXPECT_TRUE(read_file(target) == game) << "the held file is untouched";
  }
}

TEST(UnpackPayload, AGameFileLetGoWithinFiveSecondsIsReplaced) {
  // As after taskkill /F: the ended game's file is released a moment later.
  Scratch scratch("zordelo-unpack-let-go");
  const fs::path target = scratch.dir / L"Zordelo.exe";
  write_file(target, "the old game");
  Child holder(fs::path(to_wide(ZORDELO_FIXTURE_DIR)) / L"file_holder.exe", L"\"" + target.wstring() + L"\" 1.5");
  ASSERT_TRUE(holder.started);
  ASSERT_TRUE(wait_until_locked(target));
  const auto started = std::chrono::steady_clock::now();
  const UnpackResult r = unpack_payload(scratch.text(), [](uint32_t, const std::string &) {});
  std::printf("replaced after %.2f s\n", seconds_since(started));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_TRUE(read_file(target) == read_file(build_path(ZORDELO_PAYLOAD_GAME)));
  EXPECT_TRUE(read_file(scratch.dir / L"uninstall.exe") == read_file(build_path(ZORDELO_PAYLOAD_UNINSTALL)));
}

TEST(UnpackPayload, ReadOnlyHiddenAndSystemOldFilesAreReplaced) {
  // Windows refuses to open a read-only file for writing and to truncate a hidden or system one
  // (Wine only the first); the unpacker clears the attributes first.
  const std::string game = read_file(build_path(ZORDELO_PAYLOAD_GAME));
  const DWORD table[] = {
      FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
      FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE};
  for (const DWORD attributes : table) {
    SCOPED_TRACE(attributes);
    Scratch scratch("zordelo-unpack-attributes");
    const fs::path target = scratch.dir / L"Zordelo.exe";
    // Whatever happens, the file is left deletable for the scratch folder's removal.
    struct Deletable {
      const fs::path &path;
      ~Deletable() { SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL); }
    } deletable{target};
    write_file(target, std::string(game.size() + 100, 'o'));
    ASSERT_TRUE(SetFileAttributesW(target.c_str(), attributes));
    ASSERT_EQ(GetFileAttributesW(target.c_str()) & attributes, attributes);
    const UnpackResult r = unpack_payload(scratch.text(), [](uint32_t, const std::string &) {});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(read_file(target) == game);
    EXPECT_EQ(
        GetFileAttributesW(target.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
        0u);
  }
}

TEST(UnpackPayload, AChecksumMismatchFailsAfterTheWholeFileWasWritten) {
  Scratch scratch("zordelo-unpack-crc");
  std::string data(3 * 1048576 + 12345, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + (i >> 11));
  const auto archive = ziptest::build_zip(
      {{.name = "Zordelo.exe", .data = data, .declared_crc = 0x12345678}, {.name = "uninstall.exe", .data = "u"}});
  std::vector<Report> reports;
  const UnpackResult r = unpack_archive(archive.bytes, scratch.text(), win32_file_sink(),
                                        [&](uint32_t p, const std::string &label) { reports.emplace_back(p, label); });
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "entry 0 (Zordelo.exe): CRC-32 mismatch");
  EXPECT_TRUE(read_file(scratch.dir / L"Zordelo.exe") == data) << "the whole file was written and stays";
  EXPECT_FALSE(fs::exists(scratch.dir / L"uninstall.exe"));
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back(), Report(84, "A bánya és a világ kicsomagolása…"));
}

// The folder on a small file system named by ZORDELO_SMALL_DISK (a Windows path), or empty;
// the suite tests/e2e/test_unpack_disk_full.py mounts one and runs these tests there.
fs::path small_disk() {
  wchar_t folder[1024];
  const DWORD n = GetEnvironmentVariableW(L"ZORDELO_SMALL_DISK", folder, 1024);
  return n == 0 || n >= 1024 ? fs::path() : fs::path(std::wstring(folder, n));
}

uint64_t free_bytes(const fs::path &folder) {
  ULARGE_INTEGER free{};
  EXPECT_TRUE(GetDiskFreeSpaceExW(folder.c_str(), &free, nullptr, nullptr));
  return free.QuadPart;
}

TEST(UnpackPayload, AFullDiskGivesTheIoErrorTextAlone) {
  if (small_disk().empty()) GTEST_SKIP() << "ZORDELO_SMALL_DISK names no small file system";
  Scratch scratch(small_disk(), "zordelo-unpack-full");
  // More than fits; zeros deflate to a small archive.
  const uint64_t size = free_bytes(scratch.dir) + (3 << 20);
  const auto archive =
      ziptest::build_zip({{.name = "Zordelo.exe", .zeros = size}, {.name = "uninstall.exe", .data = "u"}});

  // Told the free space, the unpacker writes nothing at all.
  UnpackResult r =
      unpack_archive(archive.bytes, scratch.text(), win32_file_sink(), [](uint32_t, const std::string &) {});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "Disk full. (os error 112)");
  EXPECT_FALSE(fs::exists(scratch.dir / L"Zordelo.exe")) << "no file was made";

  // When the free space cannot be read, the disk fills up while the game is written.
  FileSinkOps blind = win32_file_sink();
  blind.free_space = [](const std::string &) { return std::optional<uint64_t>(); };
  r = unpack_archive(archive.bytes, scratch.text(), blind, [](uint32_t, const std::string &) {});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "Disk full. (os error 112)");
  std::printf("error: %s; %llu of %llu bytes written\n", r.error.c_str(),
              static_cast<unsigned long long>(fs::file_size(scratch.dir / L"Zordelo.exe")),
              static_cast<unsigned long long>(size));
  const uint64_t left = fs::file_size(scratch.dir / L"Zordelo.exe");
  EXPECT_GT(left, 0u) << "the partial file stays";
  EXPECT_LT(left, size);
  EXPECT_FALSE(fs::exists(scratch.dir / L"uninstall.exe"));
}

TEST(UnpackPayload, AReinstallThatCannotFitLeavesTheEarlierInstallAsItWas) {
  if (small_disk().empty()) GTEST_SKIP() << "ZORDELO_SMALL_DISK names no small file system";
  Scratch scratch(small_disk(), "zordelo-unpack-reinstall");
  const std::string game = read_file(build_path(ZORDELO_PAYLOAD_GAME));
  const std::string uninstaller = read_file(build_path(ZORDELO_PAYLOAD_UNINSTALL));
  // An earlier, smaller version of both files, and a disk that other files have filled up to
  // 64 KiB short of what the new version needs beyond the old one's room.
  std::string earlier_game(game.size() / 2, '\0');
  for (size_t i = 0; i < earlier_game.size(); ++i) earlier_game[i] = static_cast<char>(i * 13 + (i >> 10));
  const std::string earlier_uninstaller(uninstaller.size() / 2, 'u');
  write_file(scratch.dir / L"Zordelo.exe", earlier_game);
  write_file(scratch.dir / L"uninstall.exe", earlier_uninstaller);
  const uint64_t needed = game.size() + uninstaller.size() - earlier_game.size() - earlier_uninstaller.size();
  const uint64_t free_now = free_bytes(scratch.dir);
  ASSERT_GT(free_now, needed + 65536) << "the small disk is too small for this test";
  write_file(scratch.dir / L"other files.bin", std::string(free_now - needed + 65536, 'x'));
  ASSERT_LT(free_bytes(scratch.dir), needed);

  std::vector<Report> reports;
  const UnpackResult r =
      unpack_payload(scratch.text(), [&](uint32_t p, const std::string &label) { reports.emplace_back(p, label); });
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "Disk full. (os error 112)");
  std::printf("error: %s\n", r.error.c_str());
  EXPECT_TRUE(reports.empty());
  EXPECT_TRUE(read_file(scratch.dir / L"Zordelo.exe") == earlier_game) << "the earlier game is byte for byte as it was";
  EXPECT_TRUE(read_file(scratch.dir / L"uninstall.exe") == earlier_uninstaller);

  // With the other files gone, the same reinstall fits.
  fs::remove(scratch.dir / L"other files.bin");
  const UnpackResult again = unpack_payload(scratch.text(), [](uint32_t, const std::string &) {});
  ASSERT_TRUE(again.ok) << again.error;
  EXPECT_TRUE(read_file(scratch.dir / L"Zordelo.exe") == game);
}

}  // namespace
