// Fresh container names from the system's random generator.
#include "crypto/random_bytes.h"
#include "store/container_name.h"

namespace kq::store {

namespace {
bool SystemRandom(void* /*context*/, std::span<uint8_t> out) {
  return RandomBytes(out);
}
}  // namespace

uint32_t NewContainerName(std::span<const std::string> existing, std::string& name) {
  return NewContainerName(existing, name, &SystemRandom, nullptr);
}

}  // namespace kq::store
