#include "provider/provider_context.h"

#include "provider/object_handle_counter.h"

namespace kq::provider {

KeyObject* ProviderContext::FindKey(KqHandle handle) const {
  const auto it = keys_.find(handle);
  return it != keys_.end() ? it->second.get() : nullptr;
}

HashObject* ProviderContext::FindHash(KqHandle handle) const {
  const auto it = hashes_.find(handle);
  return it != hashes_.end() ? it->second.get() : nullptr;
}

KqHandle ProviderContext::AddKey(std::unique_ptr<KeyObject> key) {
  const KqHandle handle = ObjectHandleCounter::Instance().Next();
  keys_[handle] = std::move(key);
  return handle;
}

KqHandle ProviderContext::AddHash(std::unique_ptr<HashObject> hash) {
  const KqHandle handle = ObjectHandleCounter::Instance().Next();
  hashes_[handle] = std::move(hash);
  return handle;
}

bool ProviderContext::EraseKey(KqHandle handle) {
  return keys_.erase(handle) != 0;
}

bool ProviderContext::EraseHash(KqHandle handle) {
  return hashes_.erase(handle) != 0;
}

void ProviderContext::ReleaseObjects() {
  hashes_.clear();
  keys_.clear();
}

}  // namespace kq::provider
