// The request text of KQ_CreatePKCS10.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tools/request_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)kq::tools::ParseRequestText({reinterpret_cast<const char*>(data), size});
  return 0;
}
