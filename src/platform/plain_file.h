#pragma once
// Writing a whole file at a fixed name, as a copy left for people to read: no temporary file and
// no flush. On POSIX a symbolic link at the name is not followed, so a link planted in a shared
// folder cannot make the caller overwrite another file; a file that another user made at the name
// is not written; and a new file is the user's own (0600).

#include <cstdint>
#include <span>

namespace kq::platform {

// Replaces the file's content; false when the file cannot be opened or written.
bool WriteWholeFile(const char* path, std::span<const uint8_t> bytes);

}  // namespace kq::platform
