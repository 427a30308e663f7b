#include "device_library/open_keys.h"

namespace kq::sim {

OpenKeys& OpenKeys::Instance() {
  static OpenKeys instance;
  return instance;
}

ZANT_HANDLE OpenKeys::Add(std::shared_ptr<OpenKey> key) {
  std::lock_guard<std::mutex> hold(mutex_);
  const uintptr_t number = next_++;
  keys_.emplace(number, std::move(key));
  return reinterpret_cast<ZANT_HANDLE>(number);
}

std::shared_ptr<OpenKey> OpenKeys::Find(ZANT_HANDLE handle) const {
  std::lock_guard<std::mutex> hold(mutex_);
  const auto it = keys_.find(reinterpret_cast<uintptr_t>(handle));
  return it != keys_.end() ? it->second : nullptr;
}

std::shared_ptr<OpenKey> OpenKeys::Remove(ZANT_HANDLE handle) {
  std::lock_guard<std::mutex> hold(mutex_);
  const auto it = keys_.find(reinterpret_cast<uintptr_t>(handle));
  if (it == keys_.end()) {
    return nullptr;
  }
  std::shared_ptr<OpenKey> key = std::move(it->second);
  keys_.erase(it);
  return key;
}

}  // namespace kq::sim
