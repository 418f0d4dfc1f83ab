#include "common/cmdline.h"

namespace cmdline {

std::vector<std::string> split(std::string_view s) {
  std::vector<std::string> args;
  size_t i = 0;
  const auto blank = [&](size_t k) { return k < s.size() && (s[k] == ' ' || s[k] == '\t'); };

  // Program name: quotes only toggle, backslashes are ordinary.
  {
    std::string name;
    bool quoted = false;
    while (i < s.size() && (quoted || !blank(i))) {
      if (s[i] == '"')
        quoted = !quoted;
      else
        name += s[i];
      ++i;
    }
    args.push_back(name);
  }

  for (;;) {
    while (blank(i)) ++i;
    if (i >= s.size()) break;
    std::string arg;
    bool quoted = false;
    while (i < s.size()) {
      if (!quoted && blank(i)) break;
      if (s[i] == '\\') {
        size_t n = 0;
        while (i < s.size() && s[i] == '\\') ++n, ++i;
        if (i < s.size() && s[i] == '"') {
          arg.append(n / 2, '\\');
          if (n % 2 == 1) {
            arg += '"';
            ++i;
          }
          // even: the quote is handled by the quote rule on the next pass
        } else {
          arg.append(n, '\\');
        }
        continue;
      }
      if (s[i] == '"') {
        if (quoted && i + 1 < s.size() && s[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
        continue;
      }
      arg += s[i++];
    }
    args.push_back(arg);
  }
  return args;
}

std::string quote_argument(std::string_view arg) {
  const bool wrap = arg.empty() || arg.find_first_of(" \t") != std::string_view::npos;
  std::string out;
  if (wrap) out += '"';
  size_t backslashes = 0;
  for (const char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      out.append(backslashes * 2 + 1, '\\');
      out += '"';
    } else {
      out.append(backslashes, '\\');
      out += c;
    }
    backslashes = 0;
  }
  out.append(wrap ? backslashes * 2 : backslashes, '\\');
  if (wrap) out += '"';
  return out;
}

std::string build(std::string_view program, const std::vector<std::string>& args) {
  std::string out;
  out += '"';
  out += program;
  out += '"';
  for (const auto& a : args) {
    out += ' ';
    out += quote_argument(a);
  }
  return out;
}

std::string build_raw(std::string_view program, std::string_view raw) {
  std::string out;
  out += '"';
  out += program;
  out += "\" ";
  out += raw;
  return out;
}

}  // namespace cmdline
