#include "setup/host/install_location_win.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

// Sets LOCALAPPDATA (or removes it with nullptr) for one scope.
struct LocalAppData {
  std::optional<std::u16string> saved = process_environment(u"LOCALAPPDATA");
  explicit LocalAppData(const wchar_t* value) { SetEnvironmentVariableW(L"LOCALAPPDATA", value); }
  ~LocalAppData() {
    SetEnvironmentVariableW(L"LOCALAPPDATA", saved ? reinterpret_cast<const wchar_t*>(saved->c_str()) : nullptr);
  }
};

TEST(InstallLocationWin, DefaultReadsTheEnvironmentAtTheMomentOfTheCall) {
  {
    LocalAppData env(L"C:\\Users\\u1\\AppData\\Local");
    EXPECT_EQ(default_install_location(), "C:\\Users\\u1\\AppData\\Local\\Programs\\Zordelo");
  }
  {
    LocalAppData env(nullptr);
    EXPECT_EQ(process_environment(u"LOCALAPPDATA"), std::nullopt);
    EXPECT_EQ(default_install_location(), "C:\\Users\\Public\\Programs\\Zordelo");
  }
  {
    LocalAppData env(L"");
    EXPECT_EQ(process_environment(u"LOCALAPPDATA"), std::u16string());
    EXPECT_EQ(default_install_location(), "\\Programs\\Zordelo");
  }
  {
    LocalAppData env(L"C:\\L\x00E1\\");
    EXPECT_EQ(default_install_location(), "C:\\Lá\\\\Programs\\Zordelo");
  }
  {
    const wchar_t broken[] = {L'C', L':', L'\\', 0xD800, L'x', 0};
    LocalAppData env(broken);
    EXPECT_EQ(process_environment(u"LOCALAPPDATA"), (std::u16string{u'C', u':', u'\\', 0xD800, u'x'}));
    EXPECT_EQ(default_install_location(), "C:\\Users\\Public\\Programs\\Zordelo");
  }
}

TEST(InstallLocationWin, LongValuesAreReadWhole) {
  const std::wstring long_value = L"C:\\" + std::wstring(5000, L'x');
  LocalAppData env(long_value.c_str());
  EXPECT_EQ(default_install_location(), "C:\\" + std::string(5000, 'x') + "\\Programs\\Zordelo");
}

}  // namespace
