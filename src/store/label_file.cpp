#include "store/label_file.h"

#include <algorithm>
#include <array>

#include "common/codes_store.h"
#include "store/device_files.h"

namespace kq::store {

namespace {

constexpr uint32_t kLabelFile = 0xD003;

}  // namespace

uint32_t ReadLabelFile(const DeviceSession& session, std::span<uint8_t, kLabelFileSize> out,
                       uint32_t& count) {
  count = 0;
  const uint32_t status = session.ReadFile(kLabelFile, 0, kLabelFileSize, out.data(), &count, 0);
  // A faulty key may report more than it was asked for; callers size their copies by the count.
  count = std::min(count, kLabelFileSize);
  return status;
}

uint32_t WriteLabelFile(const DeviceSession& session, std::span<const uint8_t> data,
                        uint32_t& written) {
  written = 0;
  if (data.size() > kLabelFileSize) {
    return kBadArgument;
  }
  std::array<uint8_t, kLabelFileSize> block{};
  std::copy(data.begin(), data.end(), block.begin());
  return WriteFileAt(session, kLabelFile, 0, block, written);
}

uint32_t ReadKeyLabel(const DeviceSession& session, std::string& label) {
  label.clear();
  std::array<uint8_t, kLabelFileSize> bytes{};
  uint32_t count = 0;
  if (const uint32_t status = ReadLabelFile(session, bytes, count); status != 0) {
    return status;
  }
  const auto* text = reinterpret_cast<const char*>(bytes.data());
  const std::string_view all(text, std::min(count, kLabelFileSize));
  label.assign(all.substr(0, all.find('\0')));
  return kOk;
}

}  // namespace kq::store
