#include "uninstall/self_removal.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace {

// The folder is inserted verbatim (as UTF-8) into these.
std::string whole(const std::string& folder) { return "/C ping 127.0.0.1 -n 4 >nul & rmdir /S /Q \"" + folder + "\""; }
std::string two_files(const std::string& folder) {
  return "/C ping 127.0.0.1 -n 4 >nul & del /F /Q \"" + folder + "\\Zordelo.exe\" \"" + folder + "\\uninstall.exe\"";
}

TEST(SelfRemoval, VariantAndCommandForEachKindOfFolder) {
  struct Case {
    std::u16string folder;
    RemovalVariant variant;
    std::string command;
  } cases[] = {
      {u"C:\\Users\\A\\AppData\\Local\\Programs\\Zordelo", RemovalVariant::WholeFolder,
       whole("C:\\Users\\A\\AppData\\Local\\Programs\\Zordelo")},
      // The product name in any ASCII letter case.
      {u"D:\\Games\\ZORDELO", RemovalVariant::WholeFolder, whole("D:\\Games\\ZORDELO")},
      {u"D:\\Games\\zordelo", RemovalVariant::WholeFolder, whole("D:\\Games\\zordelo")},
      {u"D:\\Games\\zOrDeLo", RemovalVariant::WholeFolder, whole("D:\\Games\\zOrDeLo")},
      {u"\\\\server\\share\\Zordelo", RemovalVariant::WholeFolder, whole("\\\\server\\share\\Zordelo")},
      // Anything else that differs keeps the folder.
      {u"D:\\Games\\Zordelo2", RemovalVariant::TwoFiles, two_files("D:\\Games\\Zordelo2")},
      {u"D:\\Games\\Zordelo ", RemovalVariant::TwoFiles, two_files("D:\\Games\\Zordelo ")},
      {u"D:\\Games\\Zordel\u00F3", RemovalVariant::TwoFiles, two_files("D:\\Games\\Zordel\xC3\xB3")},
      {u"D:\\Games\\Zord\u0435lo", RemovalVariant::TwoFiles, two_files("D:\\Games\\Zord\xD0\xB5lo")},  // Cyrillic e
      {u"D:\\Zordelo\\Games", RemovalVariant::TwoFiles, two_files("D:\\Zordelo\\Games")},
      // A drive root has no last component; the folder text still goes in unchanged.
      {u"D:\\", RemovalVariant::TwoFiles, two_files("D:\\")},
      // Blanks need nothing more than the template's own quotes.
      {u"C:\\Program Files\\My Games\\Zordelo", RemovalVariant::WholeFolder,
       whole("C:\\Program Files\\My Games\\Zordelo")},
      {u"C:\\Program Files\\My Games", RemovalVariant::TwoFiles, two_files("C:\\Program Files\\My Games")},
      // An unpaired surrogate becomes U+FFFD in the text, wherever it is.
      {std::u16string(u"C:\\G") + char16_t(0xD800) + u"mes\\Zordelo", RemovalVariant::WholeFolder,
       whole("C:\\G\xEF\xBF\xBDmes\\Zordelo")},
      {std::u16string(u"C:\\Games\\Zor") + char16_t(0xDC00) + u"delo", RemovalVariant::TwoFiles,
       two_files("C:\\Games\\Zor\xEF\xBF\xBD"
                 "delo")},
      // Braces in the path are path text, not placeholders.
      {u"C:\\a{}b\\Zordelo", RemovalVariant::WholeFolder, whole("C:\\a{}b\\Zordelo")},
      {u"C:\\a{}b", RemovalVariant::TwoFiles, two_files("C:\\a{}b")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(self_removal_command(c.folder), c.command);
    EXPECT_EQ(removal_variant(text::utf16_to_utf8(c.folder)), c.variant) << c.command;
  }
}

TEST(SelfRemoval, WholeFolderTemplateIsExact) {
  EXPECT_EQ(self_removal_command(u"C:\\x\\Zordelo"), R"(/C ping 127.0.0.1 -n 4 >nul & rmdir /S /Q "C:\x\Zordelo")");
  EXPECT_EQ(self_removal_command(u"C:\\x\\y"),
            R"(/C ping 127.0.0.1 -n 4 >nul & del /F /Q "C:\x\y\Zordelo.exe" "C:\x\y\uninstall.exe")");
}

TEST(SelfRemoval, VariantOfFolderText) {
  EXPECT_EQ(removal_variant("C:\\x\\zORDELO"), RemovalVariant::WholeFolder);
  EXPECT_EQ(removal_variant("C:\\x\\Zordelo\\"), RemovalVariant::WholeFolder);
  EXPECT_EQ(removal_variant("Zordelo"), RemovalVariant::WholeFolder);
  EXPECT_EQ(removal_variant("C:\\x\\Zordelo.exe"), RemovalVariant::TwoFiles);
  EXPECT_EQ(removal_variant("C:"), RemovalVariant::TwoFiles);
  EXPECT_EQ(removal_variant(""), RemovalVariant::TwoFiles);
  EXPECT_EQ(removal_variant("\\\\server\\share"), RemovalVariant::TwoFiles);
}

}  // namespace
