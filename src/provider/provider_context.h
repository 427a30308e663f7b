#pragma once
// The object behind one provider handle: the container and reader it works on, the enumeration
// cursors of the provider parameters, three flags, and the key and hash objects it owns. It keeps
// names only, never an open key: every operation opens the key by readerName and closes it again.
// One context is used by one thread at a time, so it is not locked.

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
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
  ~ProviderContext() { ReleaseObjects(); }

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
  [[nodiscard]] KeyObject* FindKey(KqHandle handle) const;
  [[nodiscard]] HashObject* FindHash(KqHandle handle) const;

  // Issues the next object handle and registers the object (a key may be null) under it.
  KqHandle AddKey(std::unique_ptr<KeyObject> key);
  KqHandle AddHash(std::unique_ptr<HashObject> hash);

  // Destroys an object and forgets its handle; false when the handle is not registered.
  bool EraseKey(KqHandle handle);
  bool EraseHash(KqHandle handle);

  // Destroys every hash object, then every key object.
  void ReleaseObjects();

 private:
  std::map<KqHandle, std::unique_ptr<HashObject>> hashes_;
  std::map<KqHandle, std::unique_ptr<KeyObject>> keys_;
};

}  // namespace kq::provider
