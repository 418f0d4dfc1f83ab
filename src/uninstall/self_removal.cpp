#include "uninstall/self_removal.h"

#include "common/product.h"
#include "common/text.h"
#include "common/winpath.h"

namespace {

constexpr std::string_view kWholeFolder = R"(/C ping 127.0.0.1 -n 4 >nul & rmdir /S /Q "{}")";
constexpr std::string_view kTwoFiles = R"(/C ping 127.0.0.1 -n 4 >nul & del /F /Q "{}\Zordelo.exe" "{}\uninstall.exe")";

// Each "{}" of the template replaced by value; value itself is not scanned again.
std::string fill(std::string_view tmpl, std::string_view value) {
  std::string out;
  for (size_t i = 0; i < tmpl.size();) {
    if (tmpl.compare(i, 2, "{}") == 0) {
      out += value;
      i += 2;
    } else {
      out += tmpl[i++];
    }
  }
  return out;
}

}  // namespace

RemovalVariant removal_variant(std::string_view folder_text) {
  const auto last = winpath::last_component(folder_text);
  return last && text::equals_ascii_nocase(*last, product::kFolderName) ? RemovalVariant::WholeFolder
                                                                        : RemovalVariant::TwoFiles;
}

std::string self_removal_command(std::u16string_view install_folder) {
  const std::string folder_text = text::utf16_to_utf8(install_folder);
  return fill(removal_variant(folder_text) == RemovalVariant::WholeFolder ? kWholeFolder : kTwoFiles, folder_text);
}
