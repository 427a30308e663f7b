#include "softkey/atomic_file.h"

#include "platform/durable_file.h"

#include <fstream>
#include <iterator>

namespace kq::sim {

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::vector<uint8_t> bytes;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
  }
  if (in.bad()) {
    return std::nullopt;
  }
  return bytes;
}

std::optional<std::string> ReadFileText(const std::filesystem::path& path) {
  std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
  if (!bytes) {
    return std::nullopt;
  }
  return std::string(bytes->begin(), bytes->end());
}

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  return platform::ReplaceFileDurably(path, bytes);
}

bool WriteTextAtomically(const std::filesystem::path& path, std::string_view text) {
  return WriteFileAtomically(
      path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

bool RemoveFile(const std::filesystem::path& path) {
  return platform::RemoveFileDurably(path);
}

}  // namespace kq::sim
