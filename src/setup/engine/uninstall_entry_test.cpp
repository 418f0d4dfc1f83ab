#include "setup/engine/uninstall_entry.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;
const std::string kKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zordelo";

Args add(const char* name, const char* type, const std::string& data) {
  return {"add", kKey, "/v", name, "/t", type, "/d", data, "/f"};
}

TEST(UninstallEntry, NineValuesInOrderForAPathWithBlanks) {
  const std::string dir = "C:\\Users\\Kiss Béla\\AppData\\Local\\Programs\\Zordelo";
  const auto lists = uninstall_entry_arguments(dir, dir + "\\Zordelo.exe", 329181392);
  const std::vector<Args> want = {
      add("DisplayName", "REG_SZ", "Zordeló"),
      add("DisplayVersion", "REG_SZ", "0.1.0"),
      add("Publisher", "REG_SZ", "Morvik"),
      add("DisplayIcon", "REG_SZ", "C:\\Users\\Kiss Béla\\AppData\\Local\\Programs\\Zordelo\\Zordelo.exe"),
      add("InstallLocation", "REG_SZ", "C:\\Users\\Kiss Béla\\AppData\\Local\\Programs\\Zordelo"),
      add("UninstallString", "REG_SZ", "\"C:\\Users\\Kiss Béla\\AppData\\Local\\Programs\\Zordelo\\uninstall.exe\""),
      add("EstimatedSize", "REG_DWORD", "321466"),
      add("NoModify", "REG_DWORD", "1"),
      add("NoRepair", "REG_DWORD", "1"),
  };
  EXPECT_EQ(lists, want);
}

TEST(UninstallEntry, EstimatedSizeIsWholeKibibytesRoundedDown) {
  struct Case {
    uint64_t total;
    const char* kib;
  } cases[] = {{0, "0"}, {1, "0"}, {1023, "0"}, {1024, "1"}, {2047, "1"}, {329181392, "321466"}};
  for (const auto& c : cases) EXPECT_EQ(uninstall_entry_arguments("D:\\Zordelo", "x", c.total)[6][7], c.kib);
}

TEST(UninstallEntry, LocationIsKeptAsGivenAndTheUninstallerJoinedByTheWindowsRule) {
  struct Case {
    const char *dir, *uninstall;
  } cases[] = {{"D:\\Games\\zordelo\\", "\"D:\\Games\\zordelo\\uninstall.exe\""},
               {"Zordelo", "\"Zordelo\\uninstall.exe\""},
               {"D:Zordelo", "\"D:Zordelo\\uninstall.exe\""}};
  for (const auto& c : cases) {
    const auto lists = uninstall_entry_arguments(c.dir, "g", 5);
    EXPECT_EQ(lists[4][7], c.dir);
    EXPECT_EQ(lists[5][7], c.uninstall);
  }
}

TEST(UninstallEntry, RegisterRunsRegNineTimesWhateverEachRunGives) {
  std::vector<Args> runs;
  const ToolRunner run = [&](const std::string& p, const Args& a) -> std::optional<uint32_t> {
    EXPECT_EQ(p, "reg");
    runs.push_back(a);
    return runs.size() % 2 ? std::nullopt : std::optional<uint32_t>(1);
  };
  register_uninstall(run, "D:\\Zordelo", "D:\\Zordelo\\Zordelo.exe", 1000);
  const char* key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zordelo";
  EXPECT_EQ(runs,
            (std::vector<Args>{
                {"add", key, "/v", "DisplayName", "/t", "REG_SZ", "/d", "Zordeló", "/f"},
                {"add", key, "/v", "DisplayVersion", "/t", "REG_SZ", "/d", "0.1.0", "/f"},
                {"add", key, "/v", "Publisher", "/t", "REG_SZ", "/d", "Morvik", "/f"},
                {"add", key, "/v", "DisplayIcon", "/t", "REG_SZ", "/d", "D:\\Zordelo\\Zordelo.exe", "/f"},
                {"add", key, "/v", "InstallLocation", "/t", "REG_SZ", "/d", "D:\\Zordelo", "/f"},
                {"add", key, "/v", "UninstallString", "/t", "REG_SZ", "/d", "\"D:\\Zordelo\\uninstall.exe\"", "/f"},
                {"add", key, "/v", "EstimatedSize", "/t", "REG_DWORD", "/d", "0", "/f"},
                {"add", key, "/v", "NoModify", "/t", "REG_DWORD", "/d", "1", "/f"},
                {"add", key, "/v", "NoRepair", "/t", "REG_DWORD", "/d", "1", "/f"},
            }));
}

}  // namespace
