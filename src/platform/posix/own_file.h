#pragma once
// Opening a file for writing at a name that may lie in a folder other users can write to: a
// symbolic link at the name is not followed, a new file is made for its owner only (0600), and a
// file that another user made there first (perhaps readable by all) is not written. The folder
// part must not be a link itself and must be this user's, sticky, or writable by no one else; a
// FIFO or device at the name is refused without blocking. Links higher up the path are followed.

#include <cstddef>

namespace kq::platform {

// A descriptor open for writing with `flags` added (O_APPEND, O_TRUNC), or -1 when the file
// cannot be opened or is not a regular file of this user. O_TRUNC is applied only after the
// check, so a refused file keeps its content.
int OpenOwnFileForWriting(const char* path, int flags);

// Writes all the bytes, going on after a partial write; false when a write fails.
bool WriteAll(int fd, const char* data, size_t size);

}  // namespace kq::platform
