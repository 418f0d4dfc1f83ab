#include "uninstall/uninstall_texts.h"

#include <gtest/gtest.h>

#include "common/powershell.h"
#include "common/text.h"

namespace {

// The expected texts are spelled with explicit UTF-8 bytes, so that a source file saved or read
// in another encoding cannot pass unnoticed.
TEST(UninstallTexts, BoxTextsAreExact) {
  EXPECT_STREQ(uninstall_texts::kTitle, "Zordel\xC3\xB3 elt\xC3\xA1vol\xC3\xADt\xC3\xA1sa");
  EXPECT_STREQ(uninstall_texts::kConfirm,
               "Biztosan elt\xC3\xA1vol\xC3\xADtod a Zordel\xC3\xB3t?"
               "\x0A\x0A"
               "A mentett j\xC3\xA1t\xC3\xA9k\xC3\xA1ll\xC3\xA1sod megmarad, ha \xC3\xBAjra feltelep\xC3\xADted, onnan "
               "folytathatod.");
  EXPECT_STREQ(uninstall_texts::kDone, "A Zordel\xC3\xB3 el lett t\xC3\xA1vol\xC3\xADtva.");
  for (const char* t : {uninstall_texts::kTitle, uninstall_texts::kConfirm, uninstall_texts::kDone})
    EXPECT_TRUE(text::is_valid_utf8(t)) << t;
}

TEST(UninstallTexts, ShortcutRemovalScriptIsExactAndOneLine) {
  const std::string script = uninstall_texts::kShortcutRemovalScript;
  EXPECT_EQ(script,
            "foreach($d in 'Desktop','Programs'){ Remove-Item -Force -ErrorAction SilentlyContinue (Join-Path "
            "([Environment]::GetFolderPath($d)) 'Zordel\xC3\xB3.lnk') }");
  EXPECT_EQ(script.find('\n'), std::string::npos);
  // The shortcut name reaches PowerShell as one UTF-16 unit for the accented letter (F3 00).
  const std::u16string units = text::utf8_to_utf16(script);
  EXPECT_NE(units.find(u"'Zordel\u00F3.lnk'"), std::u16string::npos);
  EXPECT_EQ(units.size(), script.size() - 1);
}

}  // namespace
