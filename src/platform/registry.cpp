#include "platform/registry.h"

#include <array>

namespace kq::platform {

RegistryStatus QueryRegistryDword(std::u16string_view keyPath, std::u16string_view valueName,
                                  RegistryView view, uint32_t& value) {
  std::array<uint8_t, 4> buffer{};
  size_t size = 0;
  uint32_t type = 0;
  const RegistryStatus status = QueryRegistryValue(keyPath, valueName, view, buffer, size, type);
  if (status == RegistryStatus::kOk) {
    value = uint32_t{buffer[0]} | (uint32_t{buffer[1]} << 8) | (uint32_t{buffer[2]} << 16) |
            (uint32_t{buffer[3]} << 24);
  }
  return status;
}

}  // namespace kq::platform
