#include "common/winpath.h"

#include <gtest/gtest.h>

#include <string>

#include "common/fuzz_seeds.h"

namespace {

TEST(WinPath, JoinAddsABackslashOnlyWhereNeeded) {
  struct Case {
    const char *base, *name, *out;
  } cases[] = {
      {"C:\\Games", "Zordelo", "C:\\Games\\Zordelo"},
      {"C:\\Games\\", "x", "C:\\Games\\x"},
      {"C:/Games/", "x", "C:/Games/x"},
      {"D:", "x", "D:x"},
      {"", "Zordelo", "Zordelo"},
      {"rel", "x", "rel\\x"},
      {"\\\\srv\\share", "x", "\\\\srv\\share\\x"},
  };
  for (const auto& c : cases) {
    // The path fuzz target joins the text before its first NUL with the text after it.
    fuzz_seeds::keep_case("ZORDELO_PATH_SEEDS", "join", &c - cases, std::string(c.base) + '\0' + c.name);
    EXPECT_EQ(winpath::join(c.base, c.name), c.out);
  }
}

TEST(WinPath, LastComponentFollowsTheWindowsRules) {
  struct Case {
    const char* path;
    const char* last;  // nullptr: none
  } cases[] = {
      {"D:\\Games\\Zordelo", "Zordelo"},
      {"D:\\Games\\zordelo\\", "zordelo"},
      {"D:\\Games\\Zordelo//", "Zordelo"},
      {"D:\\Games\\Zordelo\\.", "Zordelo"},
      {"D:\\Games\\..", nullptr},
      {"D:", nullptr},
      {"D:\\", nullptr},
      {"\\", nullptr},
      {"", nullptr},
      {".", nullptr},
      {"\\\\server\\share", nullptr},
      {"\\\\server\\share\\", nullptr},
      {"\\\\server\\share\\dir", "dir"},
      {"\\\\?\\C:\\x\\y", "y"},
      {"\\\\.\\COM1", nullptr},
      {"D:rel", "rel"},
      {"Zordelo", "Zordelo"},
      {"a/b", "b"},
  };
  for (const auto& c : cases) {
    fuzz_seeds::keep_case("ZORDELO_PATH_SEEDS", "last", &c - cases, c.path);
    const auto got = winpath::last_component(c.path);
    if (c.last)
      EXPECT_EQ(got.value_or("<none>"), c.last) << c.path;
    else
      EXPECT_FALSE(got.has_value()) << c.path << " gave " << *got;
  }
}

TEST(WinPath, ComponentsKindsAndPrefixes) {
  using K = winpath::Kind;
  struct Case {
    const char* path;
    std::vector<K> kinds;
  } cases[] = {
      {"C:x", {K::Prefix, K::Normal}},
      {"\\x", {K::Root, K::Normal}},
      {"./a/../b", {K::CurDir, K::Normal, K::ParentDir, K::Normal}},
      {"a/./b", {K::Normal, K::Normal}},
      {"\\\\srv\\share\\a", {K::Prefix, K::Root, K::Normal}},
      {"//srv/share/a", {K::Prefix, K::Root, K::Normal}},
      {"\\\\?\\UNC\\srv\\share\\a", {K::Prefix, K::Root, K::Normal}},
      {"\\\\.\\pipe\\x", {K::Prefix, K::Root, K::Normal}},
  };
  for (const auto& c : cases) {
    fuzz_seeds::keep_case("ZORDELO_PATH_SEEDS", "components", &c - cases, c.path);
    std::vector<K> got;
    for (const auto& part : winpath::components(c.path)) got.push_back(part.kind);
    EXPECT_EQ(got, c.kinds) << c.path;
  }
}

}  // namespace
