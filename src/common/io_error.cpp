#include "common/io_error.h"

std::string io_error_frame(std::string_view message, uint32_t code) {
  while (!message.empty() &&
         (message.back() == ' ' || message.back() == '\t' || message.back() == '\r' || message.back() == '\n'))
    message.remove_suffix(1);
  return std::string(message) + " (os error " + std::to_string(code) + ")";
}
