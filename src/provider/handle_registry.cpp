#include "provider/handle_registry.h"

#include "common/codes_cryptoapi.h"
#include "provider/handle_number_cycle.h"
#include "provider/object_handle_counter.h"
#include "provider/provider_context.h"

namespace kq::provider {

HandleRegistry& HandleRegistry::Instance() {
  static HandleRegistry instance;
  return instance;
}

HandleRegistry::HandleRegistry() {
  // Built first, the object handle counter is destroyed after the registry, so the contexts that
  // the registry destroys at process exit can still give their handles back.
  ObjectHandleCounter::Instance();
}

HandleRegistry::~HandleRegistry() {
  // Contexts still registered at process exit go in handle order.
  for (auto& entry : contexts_) {
    entry.second.reset();
  }
}

uint32_t HandleRegistry::IssueHandle() {
  const std::lock_guard<std::mutex> guard(lock_);
  return NextFreeHandleNumber(counter_,
                              [this](uint32_t number) { return contexts_.contains(number); });
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

void HandleRegistry::ContinueAfter(uint32_t last) {
  const std::lock_guard<std::mutex> guard(lock_);
  counter_ = last;
}

}  // namespace kq::provider
