#include "setup/engine/extraction_name.h"

#include <gtest/gtest.h>

#include "common/fuzz_seeds.h"

namespace {

TEST(ExtractionName, OnlySafeNamesAreWrittenAndOnlyTheirLastPart) {
  struct Case {
    std::string name;
    const char* target;  // nullptr: not written
  } cases[] = {
      {"Zordelo.exe", "Zordelo.exe"},
      {"data/x.bin", "x.bin"},
      {"data\\x.bin", "x.bin"},
      {"a\\b/c\\d.txt", "d.txt"},
      {"a/../x", "x"},
      {"a\\..\\x", "x"},
      {"./x", "x"},
      {"a/./b/../c", "c"},
      {"a//b", "b"},
      {"a/.", "a"},
      {"Zordeló.exe", "Zordeló.exe"},
      {"data/", nullptr},
      {"data\\", nullptr},
      {"/", nullptr},
      {"", nullptr},
      {"..", nullptr},
      {".", nullptr},
      {"../x", nullptr},
      {"..\\x", nullptr},
      {"a/../../x", nullptr},
      {"a/..", nullptr},
      {"a/b/../..", nullptr},
      {"\\x", nullptr},
      {"/x", nullptr},
      {"C:x", nullptr},
      {"C:\\x", nullptr},
      {"c:/x", nullptr},
      {"\\\\server\\share\\x", nullptr},
      {"//server/share/x", nullptr},
      {"\\\\?\\C:\\x", nullptr},
      {"\\\\.\\COM1", nullptr},
      {"\\\\.\\pipe\\x", nullptr},
      // A drive in the last part: read alone it is a drive-relative path.
      {"a/C:x", nullptr},
      {"a\\C:x", nullptr},
      {"a/b/z:x.txt", nullptr},
      {"a/C:", nullptr},
      {"./C:x", nullptr},
      {"a/C:x/y", "y"},
      {"a/CC:x", "CC:x"},
      {std::string("a\0b", 3), nullptr},
      {std::string("x\0", 2), nullptr},
  };
  for (const Case& c : cases) {
    fuzz_seeds::keep_case("ZORDELO_PATH_SEEDS", "entry", &c - cases, c.name);
    const std::optional<std::string> got = extraction_name(c.name);
    if (c.target)
      EXPECT_EQ(got.value_or("<none>"), c.target) << c.name;
    else
      EXPECT_FALSE(got.has_value()) << c.name << " gave " << *got;
  }
}

}  // namespace
