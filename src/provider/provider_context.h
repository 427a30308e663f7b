#pragma once
// The object behind one provider handle: the container and reader it works on, the enumeration
// cursors of the provider parameters, three flags, and the key and hash objects it owns. It keeps
// names only, never an open key: every operation opens the key by readerName and closes it again.
// A server may sign on one context from several threads at once, and a bank tool may enumerate on
// it from two. The names and flags set at acquire never change afterwards; what later calls learn
// (the key's identity, its removal, the login) is atomic or locked, the enumeration cursors are
// used under their own lock, and the object maps are locked with lookups that share ownership of
// the object, so destroying a hash on one thread while another hashes with it never frees an
// object under a running call.

#include <atomic>
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

  // Set while the context is acquired, before any other call can reach it.
  std::string containerName;
  std::string defaultContainerName = kDefaultContainerName;
  std::string readerName;
  uint32_t providerHandle;
  bool silent = false;
  bool containerCreated = false;

  // The user verified the PIN through this context.
  std::atomic<bool> loggedIn = false;
  // Once the key was pulled out or replaced, the context is done with keys.
  std::atomic<bool> keyRemoved = false;

  // The key the context chose: learned at its first open (or from the chooser's row) and checked
  // at every later one; nothing known before.
  [[nodiscard]] KeyIdentity keyIdentity() const;
  // Records the key's identity unless one is known already; true when the context is on that key
  // (a call on another thread may have learned it first, from the key that was in the reader then).
  bool LearnKeyIdentity(const KeyIdentity& identity);

  // The cursors of PP_ENUMALGS and PP_ENUMALGS_EX and the container names PP_ENUMCONTAINERS has
  // still to give are used only under this lock, which is never held while the key is asked (a
  // window of the PIN entry or the button wait may let the caller call back in).
  std::mutex enumerationLock;
  uint32_t enumAlgsIndex = 0;
  uint32_t enumAlgsExIndex = 0;
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
  mutable std::mutex identityLock_;
  KeyIdentity keyIdentity_;
  mutable std::mutex objectsLock_;
  std::map<KqHandle, std::shared_ptr<HashObject>> hashes_;
  std::map<KqHandle, std::shared_ptr<KeyObject>> keys_;
};

}  // namespace kq::provider
