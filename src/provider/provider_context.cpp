#include "provider/provider_context.h"

#include "provider/object_handle_counter.h"

namespace kq::provider {

namespace {

template <typename Object>
std::shared_ptr<Object> Find(std::mutex& lock,
                             const std::map<KqHandle, std::shared_ptr<Object>>& map,
                             KqHandle handle) {
  const std::lock_guard<std::mutex> guard(lock);
  const auto it = map.find(handle);
  return it != map.end() ? it->second : nullptr;
}

template <typename Object>
KqHandle Add(std::mutex& lock, std::map<KqHandle, std::shared_ptr<Object>>& map,
             std::shared_ptr<Object> object) {
  ObjectHandleCounter& counter = ObjectHandleCounter::Instance();
  const KqHandle handle = counter.Next();
  try {
    const std::lock_guard<std::mutex> guard(lock);
    map.emplace(handle, std::move(object));  // the counter never issues a handle that is held
  } catch (...) {
    counter.Release(static_cast<uint32_t>(handle));  // out of memory: the number is not lost
    throw;
  }
  return handle;
}

template <typename Object>
bool Erase(std::mutex& lock, std::map<KqHandle, std::shared_ptr<Object>>& map, KqHandle handle) {
  std::shared_ptr<Object> erased;  // destroyed outside the lock, unless a call still holds it
  {
    const std::lock_guard<std::mutex> guard(lock);
    const auto it = map.find(handle);
    if (it == map.end()) {
      return false;
    }
    erased = std::move(it->second);
    map.erase(it);
  }
  ObjectHandleCounter::Instance().Release(static_cast<uint32_t>(handle));
  return true;
}

template <typename Object>
void EraseAll(std::map<KqHandle, std::shared_ptr<Object>>& map) {
  for (auto it = map.begin(); it != map.end(); it = map.erase(it)) {
    ObjectHandleCounter::Instance().Release(static_cast<uint32_t>(it->first));
  }
}

}  // namespace

KeyIdentity ProviderContext::keyIdentity() const {
  const std::lock_guard<std::mutex> guard(identityLock_);
  return keyIdentity_;
}

bool ProviderContext::LearnKeyIdentity(const KeyIdentity& identity) {
  const std::lock_guard<std::mutex> guard(identityLock_);
  if (!keyIdentity_.known()) {
    keyIdentity_ = identity;
  }
  return keyIdentity_ == identity;
}

ProviderContext::~ProviderContext() {
  EraseAll(hashes_);
  EraseAll(keys_);
}

std::shared_ptr<KeyObject> ProviderContext::FindKey(KqHandle handle) const {
  return Find(objectsLock_, keys_, handle);
}

std::shared_ptr<HashObject> ProviderContext::FindHash(KqHandle handle) const {
  return Find(objectsLock_, hashes_, handle);
}

KqHandle ProviderContext::AddKey(std::shared_ptr<KeyObject> key) {
  return Add(objectsLock_, keys_, std::move(key));
}

KqHandle ProviderContext::AddHash(std::shared_ptr<HashObject> hash) {
  return Add(objectsLock_, hashes_, std::move(hash));
}

bool ProviderContext::EraseKey(KqHandle handle) {
  return Erase(objectsLock_, keys_, handle);
}

bool ProviderContext::EraseHash(KqHandle handle) {
  return Erase(objectsLock_, hashes_, handle);
}

}  // namespace kq::provider
