#pragma once
// The provider handles of the process and the contexts behind them. Handles are issued 1, 2, 3, ...
// in order of acquisition, and after 2^32 - 1 from 1 again, passing over the handles still
// registered; a lookup uses only the low 32 bits of the caller's HCRYPTPROV. Every
// insertion, lookup and removal holds the registry lock, so callers on several threads never see
// the map half-changed; a lookup hands out shared ownership, so a context released on one thread
// stays alive, with its key and hash objects, until a call still running on it on another thread
// has returned.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace kq::provider {

class ProviderContext;

class HandleRegistry {
 public:
  // The process-wide registry, created on first use; it destroys the contexts still registered at
  // process exit.
  static HandleRegistry& Instance();

  HandleRegistry(const HandleRegistry&) = delete;
  HandleRegistry& operator=(const HandleRegistry&) = delete;
  ~HandleRegistry();

  // The next provider handle that no registered context holds; 0 when every number is taken.
  uint32_t IssueHandle();

  // Registers a context; false when the handle is 0 or already taken.
  bool Insert(uint32_t handle, std::shared_ptr<ProviderContext> context);

  // The context registered under the low 32 bits of handle, or null.
  [[nodiscard]] std::shared_ptr<ProviderContext> Find(uint64_t handle) const;

  // Forgets a handle and drops the registry's share of its context: 0, or NTE_BAD_UID when the
  // low 32 bits are 0 or nothing is registered under them.
  uint32_t Remove(uint64_t handle);

  // For tests: the search for the next handle starts after `last` (2^32 - 2 to see the wrap).
  void ContinueAfter(uint32_t last);

 private:
  HandleRegistry();

  mutable std::mutex lock_;
  std::map<uint32_t, std::shared_ptr<ProviderContext>> contexts_;
  uint32_t counter_ = 0;
};

}  // namespace kq::provider
