#include "common/base64.h"

std::string base64_encode(std::span<const uint8_t> in) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve(in.size() * 4 / 3 + 4);
  size_t i = 0;
  for (; i + 3 <= in.size(); i += 3) {
    const uint8_t b0 = in[i], b1 = in[i + 1], b2 = in[i + 2];
    out += kAlphabet[b0 >> 2];
    out += kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
    out += kAlphabet[((b1 & 15) << 2) | (b2 >> 6)];
    out += kAlphabet[b2 & 63];
  }
  const size_t left = in.size() - i;
  if (left == 1) {
    const uint8_t b0 = in[i];
    out += kAlphabet[b0 >> 2];
    out += kAlphabet[(b0 & 3) << 4];
    out += "==";
  } else if (left == 2) {
    const uint8_t b0 = in[i], b1 = in[i + 1];
    out += kAlphabet[b0 >> 2];
    out += kAlphabet[((b0 & 3) << 4) | (b1 >> 4)];
    out += kAlphabet[(b1 & 15) << 2];
    out += '=';
  }
  return out;
}

std::string base64_encode(std::string_view bytes) {
  return base64_encode(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}
