#include "uninstall/install_folder.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace {

TEST(InstallFolder, FolderOfTheOwnPath) {
  const std::u16string lone = std::u16string(u"C:\\G") + char16_t(0xD800) + u"mes";
  struct Case {
    std::u16string exe;
    std::optional<std::u16string> folder;
  } cases[] = {
      {u"C:\\Users\\A\\AppData\\Local\\Programs\\Zordelo\\uninstall.exe",
       u"C:\\Users\\A\\AppData\\Local\\Programs\\Zordelo"},
      {u"Z:\\tmp\\my games\\uninstall.exe", u"Z:\\tmp\\my games"},
      {u"C:/x/y/uninstall.exe", u"C:/x/y"},
      {u"C:\\x\\\\uninstall.exe", u"C:\\x"},
      // A root keeps its separator, so that it still names the root.
      {u"C:\\uninstall.exe", u"C:\\"},
      {u"\\uninstall.exe", u"\\"},
      {u"\\\\server\\share\\uninstall.exe", u"\\\\server\\share\\"},
      {u"\\\\?\\C:\\Zordelo\\uninstall.exe", u"\\\\?\\C:\\Zordelo"},
      {u"\\\\?\\C:\\uninstall.exe", u"\\\\?\\C:\\"},
      {u"C:uninstall.exe", u"C:"},
      // The path is kept as Windows gave it, unpaired surrogates included.
      {lone + u"\\uninstall.exe", lone},
      // No folder part, or no file.
      {u"uninstall.exe", std::nullopt},
      {u"", std::nullopt},
      {u"C:\\", std::nullopt},
      {u"C:\\x\\", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto got = install_folder_of(c.exe);
    const std::string label = text::utf16_to_utf8(c.exe);
    ASSERT_EQ(got.has_value(), c.folder.has_value()) << label;
    if (!got) continue;
    EXPECT_EQ(text::utf16_to_utf8(*got), text::utf16_to_utf8(*c.folder)) << label;
    EXPECT_TRUE(*got == *c.folder) << label;  // code units, not just the text
  }
}

}  // namespace
