#pragma once
// Whole-file reads and atomic, durable replacement: a write goes to a temporary file beside the
// target, reaches the disk and is renamed over it, so a reader (or the key after a crash) sees the
// old or the new content, never a mixture. Callers hold the key's lock, so one temporary name per
// target is enough.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kq::sim {

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::filesystem::path& path);
std::optional<std::string> ReadFileText(const std::filesystem::path& path);

[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& path,
                                       std::span<const uint8_t> bytes);
[[nodiscard]] bool WriteTextAtomically(const std::filesystem::path& path, std::string_view text);

// Removes a file; true when it is gone afterwards (also when it never existed).
bool RemoveFile(const std::filesystem::path& path);

}  // namespace kq::sim
