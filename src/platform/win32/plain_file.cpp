#include "platform/plain_file.h"

#include <cstdio>

namespace kq::platform {

bool WriteWholeFile(const char* path, std::span<const uint8_t> bytes) {
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    return false;
  }
  const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
  return std::fclose(file) == 0 && written == bytes.size();
}

}  // namespace kq::platform
