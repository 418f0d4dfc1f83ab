// Base64 (RFC 4648 section 4): standard alphabet, '=' padding, no line breaks.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The output is reserved up front as n * 4 / 3 + 4 bytes, which 4 * ceil(n / 3) never exceeds,
// so it never reallocates while encoding.
std::string base64_encode(std::span<const uint8_t> bytes);
std::string base64_encode(std::string_view bytes);
