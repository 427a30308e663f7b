#include "platform/registry.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/registry_file.h"

namespace kq::platform {

namespace {

constexpr const char* kDefaultRegistryFile = "/etc/kqcsp/registry.reg";

// The registry file as it is now. It is read on every query: the file is small, queries are rare
// (a login, a dialog, a check export), and a test can switch files or edit one between calls.
RegistryFile CurrentRegistry() {
  const char* named = std::getenv("KQCSP_REGISTRY");
  const char* path = (named != nullptr && *named != '\0') ? named : kDefaultRegistryFile;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return RegistryFile{};
  }
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>()};
  return RegistryFile::Parse(bytes);
}

}  // namespace

bool RegistryKeyExists(std::u16string_view keyPath, RegistryView /*view*/) {
  return CurrentRegistry().KeyExists(keyPath);
}

RegistryStatus QueryRegistryValue(std::u16string_view keyPath, std::u16string_view valueName,
                                  RegistryView /*view*/, std::span<uint8_t> buffer, size_t& size,
                                  uint32_t& type) {
  const RegistryFile registry = CurrentRegistry();
  if (!registry.KeyExists(keyPath)) {
    return RegistryStatus::kKeyMissing;
  }
  const RegistryFileValue* value = registry.FindValue(keyPath, valueName);
  if (value == nullptr) {
    return RegistryStatus::kValueMissing;
  }
  size = value->data.size();
  type = value->type;
  if (value->data.size() > buffer.size()) {
    return RegistryStatus::kMoreData;
  }
  std::copy(value->data.begin(), value->data.end(), buffer.begin());
  return RegistryStatus::kOk;
}

}  // namespace kq::platform
