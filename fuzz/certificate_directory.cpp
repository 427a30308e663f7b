// The certificate directory file as the key returns it.
#include <cstddef>
#include <cstdint>
#include <span>

#include "store/certificate_directory_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto entries = kq::store::ParseCertificateDirectory({data, size});
  if (entries) {
    for (const kq::store::DirectoryEntry& entry : *entries) {
      (void)kq::store::EncodeDirectoryEntry(entry);
    }
  }
  return 0;
}
