#pragma once
// Replacing and removing files so that the change survives a crash or a power cut: the new
// content is written to a temporary file beside the target and flushed to the disk, renamed over
// the target, and the folder's entry is flushed too. A reader, or the machine after a crash, sees
// the old content or the new, never a mixture and never an empty file.

#include <cstdint>
#include <filesystem>
#include <span>

namespace kq::platform {

[[nodiscard]] bool ReplaceFileDurably(const std::filesystem::path& path,
                                      std::span<const uint8_t> bytes);

// True when the file is gone afterwards (also when it never existed).
bool RemoveFileDurably(const std::filesystem::path& path);

}  // namespace kq::platform
