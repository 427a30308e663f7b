// The .reg file read as the POSIX registry.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto file = kq::platform::RegistryFile::Parse({data, size});
  (void)file.KeyExists(u"SOFTWARE\\KQVN\\Orvenia");
  (void)file.FindValue(u"SOFTWARE\\KQVN\\Orvenia", u"LanguageID");
  for (const auto& key : file.keys()) {
    for (const auto& value : key.values) {
      (void)file.FindValue(key.path, value.name);
    }
  }
  return 0;
}
