#include "common/winpath.h"

namespace winpath {
namespace {

bool is_drive_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Length of the prefix at the start of path (0 when there is none); sets verbatim.
size_t prefix_length(std::string_view p, bool& verbatim) {
  verbatim = false;
  const auto sep_at = [&](size_t i) { return i < p.size() && is_separator(p[i]); };
  const auto next_sep = [&](size_t from, bool backslash_only) {
    size_t i = from;
    while (i < p.size() && !(backslash_only ? p[i] == '\\' : is_separator(p[i]))) ++i;
    return i;
  };
  if (p.size() >= 4 && p[0] == '\\' && p[1] == '\\' && p[2] == '?' && p[3] == '\\') {
    verbatim = true;
    std::string_view rest = p.substr(4);
    if (rest.size() >= 4 && (rest.substr(0, 3) == "UNC" || rest.substr(0, 3) == "unc") && rest[3] == '\\') {
      size_t server_end = next_sep(8, true);
      if (server_end >= p.size()) return p.size();
      return next_sep(server_end + 1, true);
    }
    if (rest.size() >= 2 && is_drive_letter(rest[0]) && rest[1] == ':') return 6;
    return next_sep(4, true);
  }
  if (p.size() >= 4 && sep_at(0) && sep_at(1) && p[2] == '.' && sep_at(3)) {
    return next_sep(4, false);
  }
  if (p.size() >= 2 && sep_at(0) && sep_at(1)) {
    // UNC: \\server\share; a missing share still makes the server part the prefix.
    size_t server_end = next_sep(2, false);
    if (server_end == 2) return 0;  // "\\" alone or "\\\x": no server, treated as a root
    if (server_end >= p.size()) return p.size();
    return next_sep(server_end + 1, false);
  }
  if (p.size() >= 2 && is_drive_letter(p[0]) && p[1] == ':') return 2;
  return 0;
}

}  // namespace

bool is_separator(char c) { return c == '\\' || c == '/'; }

std::vector<Component> components(std::string_view path) {
  std::vector<Component> out;
  bool verbatim = false;
  const size_t plen = prefix_length(path, verbatim);
  const auto sep = [&](char c) { return verbatim ? c == '\\' : is_separator(c); };
  if (plen > 0) out.push_back({Kind::Prefix, path.substr(0, plen)});
  size_t i = plen;
  bool rooted = false;
  if (i < path.size() && sep(path[i])) {
    out.push_back({Kind::Root, path.substr(i, 1)});
    rooted = true;
    ++i;
  }
  bool first = true;
  while (i <= path.size()) {
    size_t j = i;
    while (j < path.size() && !sep(path[j])) ++j;
    std::string_view part = path.substr(i, j - i);
    if (part == "..") {
      out.push_back({Kind::ParentDir, part});
    } else if (part == ".") {
      if (first && plen == 0 && !rooted) out.push_back({Kind::CurDir, part});
    } else if (!part.empty()) {
      out.push_back({Kind::Normal, part});
    }
    if (!part.empty()) first = false;
    if (j >= path.size()) break;
    i = j + 1;
  }
  return out;
}

std::optional<std::string_view> last_component(std::string_view path) {
  const auto parts = components(path);
  if (parts.empty() || parts.back().kind != Kind::Normal) return std::nullopt;
  return parts.back().text;
}

std::string join(std::string_view base, std::string_view name) {
  std::string out(base);
  const bool bare_drive = base.size() == 2 && is_drive_letter(base[0]) && base[1] == ':';
  if (!base.empty() && !is_separator(base.back()) && !bare_drive) out += '\\';
  out += name;
  return out;
}

}  // namespace winpath
