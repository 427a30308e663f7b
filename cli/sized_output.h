#pragma once
// The size protocol of the exports: a call with a null buffer asks for the size, a second call
// with a buffer of that size receives the data.

#include <cstdint>
#include <optional>
#include <vector>

namespace kq::cli {

// `call(buffer, &length)` returns a status; 0 is success. Returns the bytes the second call
// stored, or nothing with `status` holding the failing call's status.
template <typename Length, typename Call>
std::optional<std::vector<uint8_t>> FetchSized(Call call, uint32_t& status) {
  Length length = 0;
  status = call(nullptr, &length);
  if (status != 0) {
    return std::nullopt;
  }
  std::vector<uint8_t> buffer(length > 0 ? static_cast<size_t>(length) : 1);
  length = static_cast<Length>(buffer.size());
  status = call(buffer.data(), &length);
  if (status != 0) {
    return std::nullopt;
  }
  // The export reports what it wrote; never trust it beyond the buffer.
  int64_t written = static_cast<int64_t>(length);
  if (written >= 0 && static_cast<uint64_t>(written) <= buffer.size()) {
    buffer.resize(static_cast<size_t>(written));
  }
  return buffer;
}

}  // namespace kq::cli
