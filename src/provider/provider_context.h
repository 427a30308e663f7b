#pragma once
// The object behind one provider handle: the container and reader it works on, the enumeration
// cursors of the provider parameters, three flags, and the key and hash objects it owns. It keeps
// names only, never an open key: every operation opens the key by readerName and closes it again.
// One context is used by one thread at a time, so its fields are not locked. Its object maps are,
// and a lookup shares ownership of the object, so a caller that breaks that rule (destroying a
// hash on one thread while another hashes with it) never frees an object under a running call.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "device/key_identity.h"
#include "provider/hash_object.h"
#include "provider/key_object.h"

namespace kq::provider {

inline constexpr const char* kDefaultContainerName = "KQDefault_CTN";

class ProviderContext {
 public:
  explicit ProviderContext(uint32_t handle) : providerHandle(handle) {}
  ProviderContext(const ProviderContext&) = delete;
  ProviderContext& operator=(const ProviderContext&) = delete;
  // Destroys every hash object, then every key object, and gives their handles back.
  ~ProviderContext();

  std::string containerName;
  std::string defaultContainerName = kDefaultContainerName;
  std::string readerName;
  uint32_t providerHandle;
  uint32_t enumAlgsIndex = 0;
  uint32_t enumAlgsExIndex = 0;
  bool silent = false;
  bool containerCreated = false;
  bool loggedIn = false;
  // The key the context chose: learned at its first open (or from the chooser's row) and checked
  // at every later one. Once the key was pulled out or replaced, the context is done with keys.
  KeyIdentity keyIdentity;
  bool keyRemoved = false;
  std::deque<std::string> containerList;

  // The object registered under a handle, or null; a key handle registered without an object
  // (an algorithm the provider only acknowledges) is found as null too.
  [[nodiscard]] std::shared_ptr<KeyObject> FindKey(KqHandle handle) const;
  [[nodiscard]] std::shared_ptr<HashObject> FindHash(KqHandle handle) const;

  // Issues the next object handle and registers the object (a key may be null) under it.
  KqHandle AddKey(std::shared_ptr<KeyObject> key);
  KqHandle AddHash(std::shared_ptr<HashObject> hash);

  // Forgets a handle and gives it back; the object goes with the last call still using it. False
  // when the handle is not registered.
  bool EraseKey(KqHandle handle);
  bool EraseHash(KqHandle handle);

 private:
  mutable std::mutex objectsLock_;
  std::map<KqHandle, std::shared_ptr<HashObject>> hashes_;
  std::map<KqHandle, std::shared_ptr<KeyObject>> keys_;
};

}  // namespace kq::provider
