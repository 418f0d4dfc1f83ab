#include "setup/host/page_template.h"

#include "common/base64.h"
#include "common/product.h"
#include "common/text.h"

namespace {

std::string replace_all(std::string_view in, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(in.size());
  size_t at = 0;
  for (size_t hit = in.find(from); hit != std::string_view::npos; hit = in.find(from, at)) {
    out.append(in.substr(at, hit - at));
    out.append(to);
    at = hit + from.size();
  }
  out.append(in.substr(at));
  return out;
}

}  // namespace

std::string fill_page_template(std::string_view page_template, std::span<const uint8_t> hero,
                               std::string_view default_location) {
  std::string page = replace_all(page_template, "%%HERO%%", base64_encode(hero));
  page = replace_all(page, "%%VERSION%%", product::kVersion);
  // A '<' in a JSON string only ever stands for itself, so its escape keeps the value while
  // "</script>" or "<!--" in a location cannot change how the HTML parser reads the script.
  const std::string literal = replace_all(text::json_string(default_location), "<", "\\u003c");
  return replace_all(page, "%%DIR_JSON%%", literal);
}
