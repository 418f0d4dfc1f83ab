// The four page calls: the text of one call of a global function of the installer page, with
// every text argument written as a JSON string literal and no blank anywhere.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// setDir("<folder>"): the folder picked in the folder picker, already normalised.
std::string set_dir_call(std::string_view folder);

// progress(<percent>,"<status>"): the percentage in plain decimal digits.
std::string progress_call(uint32_t percent, std::string_view status);

// done("<location>"): the install location that the finished job used.
std::string done_call(std::string_view location);

// fail("<message>"): the error message that the install job returned.
std::string fail_call(std::string_view message);
