// Text conversions. Inside the programs text is UTF-8 (std::string); at every Windows
// interface it is UTF-16 (std::u16string here, wchar_t on Windows).
#pragma once

#include <string>
#include <string_view>

namespace text {

// UTF-16 to UTF-8. Each unpaired surrogate becomes U+FFFD; nothing else changes.
std::string utf16_to_utf8(std::u16string_view in);

// UTF-8 to UTF-16. Each invalid byte sequence becomes one U+FFFD (the maximal subpart
// rule of Unicode), so any byte string converts.
std::u16string utf8_to_utf16(std::string_view in);

// Bytes read as UTF-8 with every invalid sequence replaced by U+FFFD.
std::string utf8_lossy(std::string_view in);

// True when the bytes are well-formed UTF-8.
bool is_valid_utf8(std::string_view in);

// A JSON string literal, quotes included: '"' and '\' escaped with a backslash, \b \t \n \f \r
// for those controls, every other character below U+0020 as \u00xx with lower-case hex digits,
// everything else (U+007F, U+2028, U+2029, '/', non-ASCII) copied as UTF-8. Invalid UTF-8 in
// the input is replaced by U+FFFD first, so the literal is always valid JSON.
std::string json_string(std::string_view utf8);

// ASCII-only case-insensitive equality: A-Z and a-z fold, every other byte must match exactly,
// and the lengths must be equal.
bool equals_ascii_nocase(std::string_view a, std::string_view b);

}  // namespace text
