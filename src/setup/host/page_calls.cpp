#include "setup/host/page_calls.h"

#include "common/text.h"

std::string set_dir_call(std::string_view folder) { return "setDir(" + text::json_string(folder) + ")"; }

std::string progress_call(uint32_t percent, std::string_view status) {
  return "progress(" + std::to_string(percent) + "," + text::json_string(status) + ")";
}

std::string done_call(std::string_view location) { return "done(" + text::json_string(location) + ")"; }

std::string fail_call(std::string_view message) { return "fail(" + text::json_string(message) + ")"; }
