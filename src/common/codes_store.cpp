#include "common/code_tables.h"

namespace kq::detail {

namespace {
// The on-device store's codes (0xF00F00xx); filled in by the store.
constexpr CodeInfo kStore[] = {
    {0xF00F0002, "STORE_DEVICE_LIST", "the attached keys could not be listed"},
};
}  // namespace

std::span<const CodeInfo> StoreCodes() {
  return kStore;
}

}  // namespace kq::detail
