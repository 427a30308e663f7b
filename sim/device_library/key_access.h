#pragma once
// An operation's hold on one key: the key's lock for the whole operation and its loaded state,
// saved afterwards when the operation changed it.

#include "platform/file_lock.h"
#include "softkey/key_conf.h"
#include "softkey/soft_key.h"

namespace kq::sim {

struct KeyAccess {
  explicit KeyAccess(const SoftKey& k) : key(k), lock(k.Lock()) {}

  const SoftKey& key;
  platform::FileLock lock;
  KeyState state;
  bool changed = false;  // the state must be saved
};

}  // namespace kq::sim
