// Making the install folder with every missing folder above it.
#pragma once

#include <optional>
#include <string>

// Creates path as a folder, and first every missing folder above it. The empty text and a
// folder that exists already are success (none); a file in the way, a missing drive, an
// invalid name or a denied right give the I/O error text of the failing step.
std::optional<std::string> create_folder_tree(const std::string& path);
