// How an operating-system error is put into a user message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// "<message> (os error <code>)", the message without its trailing blanks and line breaks.
std::string io_error_frame(std::string_view system_message, uint32_t code);
