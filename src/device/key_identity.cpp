#include "device/key_identity.h"

#include <algorithm>

#include "device/device_session.h"

namespace kq {

KeyIdentity::KeyIdentity(uint32_t kind, uint32_t asked, std::span<const uint8_t> answer)
    : kind_(kind),
      asked_(std::min(asked, kMaxLength)),
      length_(static_cast<uint32_t>(std::min<size_t>({answer.size(), asked_, kMaxLength}))) {
  std::copy_n(answer.begin(), length_, bytes_.begin());
}

KeyIdentity KeyIdentity::Read(const DeviceSession& session, uint32_t kind, uint32_t asked) {
  std::array<uint8_t, kMaxLength> answer{};
  uint32_t length = std::min(asked, kMaxLength);
  if (session.GetDevSer(answer.data(), &length, kind) != 0) {
    return {};
  }
  return {kind, asked, std::span(answer).first(std::min(length, kMaxLength))};
}

bool KeyIdentity::Matches(const DeviceSession& session) const {
  return known() && Read(session, kind_, asked_) == *this;
}

}  // namespace kq
