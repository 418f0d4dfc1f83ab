// Which file, if any, an archive entry becomes in the install folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The target file name of an entry with this (UTF-8) name, or none when the entry is not to be
// written: a folder entry (the name ends in '/' or '\'), a name containing NUL, a name with a
// drive, UNC, device or root prefix, or one whose ".." parts climb above its start. Otherwise
// only the last component is kept, so every file lands directly in the install folder
// ("data/x.bin" -> "x.bin"); a name ending in "..", or whose last component read alone has a
// drive ("a/C:x"), has none.
std::optional<std::string> extraction_name(std::string_view entry_name);
