#include "provider/handle_registry.h"

#include "common/codes_cryptoapi.h"
#include "provider/provider_context.h"

namespace kq::provider {

HandleRegistry& HandleRegistry::Instance() {
  static HandleRegistry instance;
  return instance;
}

HandleRegistry::~HandleRegistry() {
  // Contexts still registered at process exit go in handle order.
  for (auto& entry : contexts_) {
    entry.second.reset();
  }
}

uint32_t HandleRegistry::IssueHandle() {
  const std::lock_guard<std::mutex> guard(lock_);
  return ++counter_;
}

bool HandleRegistry::Insert(uint32_t handle, std::shared_ptr<ProviderContext> context) {
  if (handle == 0) {
    return false;
  }
  const std::lock_guard<std::mutex> guard(lock_);
  return contexts_.emplace(handle, std::move(context)).second;
}

std::shared_ptr<ProviderContext> HandleRegistry::Find(uint64_t handle) const {
  const std::lock_guard<std::mutex> guard(lock_);
  const auto it = contexts_.find(static_cast<uint32_t>(handle));
  return it != contexts_.end() ? it->second : nullptr;
}

uint32_t HandleRegistry::Remove(uint64_t handle) {
  const auto key = static_cast<uint32_t>(handle);
  std::shared_ptr<ProviderContext> removed;
  {
    const std::lock_guard<std::mutex> guard(lock_);
    const auto it = contexts_.find(key);
    if (key == 0 || it == contexts_.end()) {
      return win::kNteBadUid;
    }
    removed = std::move(it->second);
    contexts_.erase(it);
  }
  // The context is destroyed outside the lock (or later, by the last call still using it).
  removed.reset();
  return 0;
}

}  // namespace kq::provider
