// Where the game goes: the default install location and the normalisation that turns any
// folder text into the install location actually used (its last component is always the
// product folder name).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Reads one environment variable as raw UTF-16; none when it is not set.
using EnvironmentLookup = std::function<std::optional<std::u16string>(std::u16string_view name)>;

// "<LOCALAPPDATA>\Programs\Zordelo" with the variable's value taken unchanged (empty values and
// trailing backslashes included); the base is "C:\Users\Public" when the variable is not set or
// holds an unpaired surrogate.
std::string default_install_location(const EnvironmentLookup& environment);

// Trims Unicode white space at both ends; then keeps the path when its last component is
// "Zordelo" in any ASCII letter case, and otherwise joins "Zordelo" onto it. Never fails;
// an empty or all-blank text gives the relative path "Zordelo".
std::string normalise_install_location(std::string_view folder);

// The text without the Unicode white space at its ends (tab, LF, VT, FF, CR, space, U+0085,
// U+00A0, U+1680, U+2000-U+200A, U+2028, U+2029, U+202F, U+205F, U+3000).
std::string_view trim_unicode_blanks(std::string_view text);
