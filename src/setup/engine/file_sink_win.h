// Target files on the real file system, for the unpacker.
#pragma once

#include "setup/engine/unpack.h"

// Create-or-truncate: an existing file with the read-only, hidden or system attribute has them
// cleared first (Windows refuses to truncate such a file), then CreateFileW with GENERIC_WRITE,
// sharing read, write and delete, CREATE_ALWAYS; a file still in use (see retry_open) is tried
// again about every 100 ms for about 5 seconds. WriteFile; CloseHandle. Free space through
// GetDiskFreeSpaceExW (the bytes free to this user), existing sizes through the file's
// attributes. Failures carry io_error_text of the Windows error code; the full-disk text is
// that of ERROR_DISK_FULL.
FileSinkOps win32_file_sink();
