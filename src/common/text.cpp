#include "common/text.h"

namespace text {
namespace {

void put_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Decodes one code point at in[i]; advances i. Invalid sequences give U+FFFD and consume
// the maximal subpart (at least one byte).
char32_t next_code_point(std::string_view in, size_t& i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(in[k]); };
  const unsigned char c0 = b(i);
  if (c0 < 0x80) {
    ++i;
    return c0;
  }
  int len = 0;
  char32_t cp = 0;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c0 >= 0xC2 && c0 <= 0xDF) {
    len = 2;
    cp = c0 & 0x1F;
  } else if (c0 >= 0xE0 && c0 <= 0xEF) {
    len = 3;
    cp = c0 & 0x0F;
    if (c0 == 0xE0) lo = 0xA0;
    if (c0 == 0xED) hi = 0x9F;
  } else if (c0 >= 0xF0 && c0 <= 0xF4) {
    len = 4;
    cp = c0 & 0x07;
    if (c0 == 0xF0) lo = 0x90;
    if (c0 == 0xF4) hi = 0x8F;
  } else {
    ++i;
    return 0xFFFD;
  }
  size_t k = i + 1;
  for (int n = 1; n < len; ++n, ++k) {
    if (k >= in.size()) {
      i = k;
      return 0xFFFD;
    }
    const unsigned char c = b(k);
    const unsigned char l = n == 1 ? lo : 0x80, h = n == 1 ? hi : 0xBF;
    if (c < l || c > h) {
      i = k;
      return 0xFFFD;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  i = k;
  return cp;
}

}  // namespace

std::string utf16_to_utf8(std::u16string_view in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    char32_t c = in[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    put_utf8(out, c);
  }
  return out;
}

std::u16string utf8_to_utf16(std::string_view in) {
  std::u16string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    const char32_t c = next_code_point(in, i);
    if (c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
  }
  return out;
}

std::string utf8_lossy(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) put_utf8(out, next_code_point(in, i));
  return out;
}

bool is_valid_utf8(std::string_view in) {
  for (size_t i = 0; i < in.size();) {
    const size_t start = i;
    if (next_code_point(in, i) == 0xFFFD) {
      // A literal U+FFFD (EF BF BD) is valid; anything else that decoded to it is not.
      if (i - start != 3 || in.substr(start, 3) != "\xEF\xBF\xBD") return false;
    }
  }
  return true;
}

std::string json_string(std::string_view utf8) {
  const std::string clean = is_valid_utf8(utf8) ? std::string(utf8) : utf8_lossy(utf8);
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(clean.size() + 2);
  out += '"';
  for (const char ch : clean) {
    const unsigned char c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case 0x08:
        out += "\\b";
        break;
      case 0x09:
        out += "\\t";
        break;
      case 0x0A:
        out += "\\n";
        break;
      case 0x0C:
        out += "\\f";
        break;
      case 0x0D:
        out += "\\r";
        break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
  return out;
}

bool equals_ascii_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace text
