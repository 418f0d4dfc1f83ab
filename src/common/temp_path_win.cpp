#include "common/temp_path_win.h"

#include "common/system_win.h"
#include "common/win_text_win.h"
#include "common/winpath.h"

std::wstring temp_path(std::string_view name) {
  // The join decides from the folder's text whether a backslash goes between, and only ever
  // appends; the appended tail is added to the folder as Windows gave it.
  const std::wstring folder = temp_folder();
  const std::string folder_text = from_wide(folder);
  const std::string joined = winpath::join(folder_text, name);
  return folder + to_wide(std::string_view(joined).substr(folder_text.size()));
}
