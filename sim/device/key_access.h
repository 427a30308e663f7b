#pragma once
// An operation's hold on one key: the key's lock for the whole operation and its loaded state,
// saved afterwards when the operation changed it.

#include "common/key_state.h"
#include "common/soft_key.h"
#include "platform/file_lock.h"

namespace kq::sim {

struct KeyAccess {
  explicit KeyAccess(const SoftKey& k) : key(k), lock(k.Lock()) {}

  const SoftKey& key;
  platform::FileLock lock;
  KeyState state;
  bool changed = false;  // the state must be saved
};

}  // namespace kq::sim
