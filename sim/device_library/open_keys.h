#pragma once
// The handles this process holds on soft keys. A handle is a number handed out as an opaque
// pointer and never dereferenced, so a closed or made-up handle is simply not found.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "device/zant.h"
#include "device_library/pending_button.h"
#include "softkey/soft_key.h"

namespace kq::sim {

struct OpenKey {
  OpenKey(std::filesystem::path rootDirectory, std::filesystem::path keyDirectory)
      : root(std::move(rootDirectory)), key(std::move(keyDirectory)) {}

  std::mutex mutex;  // one operation at a time on this handle
  const std::filesystem::path root;
  const SoftKey key;
  std::optional<ButtonWait> wait;
  // The public part of each pair generated through this handle, by slot: a strict key lets that
  // pair, and no later one in the slot, sign its own certification request, once; a new PIN
  // verification on the handle ends it.
  std::map<uint32_t, std::vector<uint8_t>> generatedPairs;
};

class OpenKeys {
 public:
  static OpenKeys& Instance();

  ZANT_HANDLE Add(std::shared_ptr<OpenKey> key);
  [[nodiscard]] std::shared_ptr<OpenKey> Find(ZANT_HANDLE handle) const;
  // Takes the handle out of the table; null when it was not there.
  std::shared_ptr<OpenKey> Remove(ZANT_HANDLE handle);

 private:
  OpenKeys() = default;
  mutable std::mutex mutex_;
  std::map<uintptr_t, std::shared_ptr<OpenKey>> keys_;
  uintptr_t next_ = 0x5A0001;
};

}  // namespace kq::sim
