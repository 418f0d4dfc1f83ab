// Fill-in of the installer page template (assets/page.html).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The page text: in `page_template`, every "%%HERO%%" becomes the Base64 text of `hero`, then
// every "%%VERSION%%" the product version, then every "%%DIR_JSON%%" the JSON string literal of
// `default_location` (quotes included). Each step works on the text the previous one produced
// and never re-reads what it inserted. In the location literal every '<' is written as \u003c:
// the string's value is the same, and no location can end the inline script it stands in.
std::string fill_page_template(std::string_view page_template, std::span<const uint8_t> hero,
                               std::string_view default_location);
