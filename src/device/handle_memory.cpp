#include "device/handle_memory.h"

#include <algorithm>

namespace kq {

std::optional<std::span<const uint8_t>> HandleMemory::Prefix(uint32_t fileId,
                                                             uint32_t length) const {
  const auto it = files_.find(fileId);
  if (it == files_.end() || it->second.prefix.size() < length) {
    return std::nullopt;
  }
  return std::span<const uint8_t>(it->second.prefix).first(length);
}

std::optional<uint32_t> HandleMemory::Length(uint32_t fileId) const {
  const auto it = files_.find(fileId);
  return it == files_.end() ? std::nullopt : it->second.length;
}

void HandleMemory::RememberLength(uint32_t fileId, uint32_t length) {
  KnownFile& file = files_[fileId];
  file.length = length;
  if (file.prefix.size() > length) {
    file.prefix.resize(length);
  }
}

void HandleMemory::RememberRead(uint32_t fileId, std::span<const uint8_t> bytes, bool whole) {
  KnownFile& file = files_[fileId];
  if (bytes.size() >= file.prefix.size()) {
    file.prefix.assign(bytes.begin(), bytes.end());
  }
  if (whole) {
    file.length = static_cast<uint32_t>(bytes.size());
  }
}

void HandleMemory::RememberWrite(uint32_t fileId, uint32_t offset, std::span<const uint8_t> data) {
  const auto it = files_.find(fileId);
  if (it == files_.end()) {
    if (offset == 0) {
      files_[fileId].prefix.assign(data.begin(), data.end());
    }
    return;
  }
  std::vector<uint8_t>& prefix = it->second.prefix;
  if (offset > prefix.size()) {
    return;  // a gap of unknown bytes before the write: what is kept still holds
  }
  const size_t end = offset + data.size();
  if (prefix.size() < end) {
    prefix.resize(end);
  }
  std::copy(data.begin(), data.end(), prefix.begin() + offset);
}

void HandleMemory::RememberCreated(uint32_t fileId, uint32_t size) {
  files_[fileId] = KnownFile{{}, size};
}

void HandleMemory::Forget(uint32_t fileId) {
  files_.erase(fileId);
}

void HandleMemory::Clear() {
  files_.clear();
  largestFile_.reset();
  loggedIn_ = false;
}

}  // namespace kq
