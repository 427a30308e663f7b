#include "device_library/device_operation.h"

#include <cstring>
#include <system_error>

#include "common/codes_device.h"
#include "softkey/call_counters.h"
#include "softkey/call_latency.h"
#include "softkey/fault_plan.h"
#include "softkey/root_lock.h"
#include "softkey/soft_key_root.h"

namespace kq::sim {

std::optional<uint32_t> PlannedFault(std::string_view operation,
                                     const std::filesystem::path& root) {
  std::optional<uint32_t> fault = TakeEnvironmentFault(operation);
  // The root's plan counts this call too, even when the environment's plan already fired.
  const std::optional<uint32_t> rootFault = TakeRootFault(root, operation);
  return fault ? fault : rootFault;
}

void CountInRoot(const std::filesystem::path& root,
                 std::initializer_list<std::pair<std::string_view, int64_t>> deltas) {
  std::error_code error;
  if (!std::filesystem::is_directory(root, error)) {
    return;
  }
  const platform::FileLock lock = LockRoot(root);
  if (lock.locked()) {
    AddToCounters(root, deltas);
  }
}

uint32_t RunOnKey(std::string_view operation, ZANT_HANDLE handle, const KeyOperation& body) {
  try {
    WaitLikeUsbExchange();
    const std::shared_ptr<OpenKey> open = OpenKeys::Instance().Find(handle);
    if (!open) {
      CountInRoot(SoftKeyRoot(), {{operation, 1}, {"invalid_handle", 1}});
      return dev::kSwInvalidHandle;
    }
    std::lock_guard<std::mutex> hold(open->mutex);
    const std::optional<uint32_t> fault = PlannedFault(operation, open->root);
    KeyAccess access(open->key);
    if (!access.lock.locked()) {
      return dev::kSwUnknown;  // the key's directory is gone: the key was pulled out
    }
    AddToCounters(open->key.directory(), {{operation, 1}});
    if (fault) {
      return *fault;
    }
    std::optional<KeyState> state = open->key.LoadState();
    if (!state) {
      return dev::kSwUnknown;
    }
    access.state = std::move(*state);
    const uint32_t status = body(*open, access);
    if (access.changed && !open->key.SaveState(access.state)) {
      return dev::kSwMemoryFailure;
    }
    return status;
  } catch (...) {
    return dev::kSwUnknown;
  }
}

uint32_t RunWithoutKey(std::string_view operation, const std::function<uint32_t()>& body) {
  try {
    WaitLikeUsbExchange();
    const std::filesystem::path root = SoftKeyRoot();
    const std::optional<uint32_t> fault = PlannedFault(operation, root);
    CountInRoot(root, {{operation, 1}});
    if (fault) {
      return *fault;
    }
    return body();
  } catch (...) {
    return dev::kSwUnknown;
  }
}

uint32_t CopyOut(std::span<const uint8_t> data, uint8_t* buffer, uint32_t* length) {
  if (length == nullptr) {
    return dev::kSwWrongData;
  }
  const auto size = static_cast<uint32_t>(data.size());
  if (buffer == nullptr) {
    *length = size;
    return dev::kOk;
  }
  if (*length < size) {
    *length = size;
    return dev::kSwWrongLength;
  }
  if (size > 0) {
    std::memcpy(buffer, data.data(), size);
  }
  *length = size;
  return dev::kOk;
}

WaitStart StartButtonWait(OpenKey& open, KeyAccess& access, size_t resultLength,
                          WaitCompletion completion) {
  std::optional<TakenStep> taken = TakeButtonStep(access.state.button);
  if (!taken) {
    taken = TakenStep{ButtonStep{}, access.state.button};  // a damaged policy answers "OK"
  }
  if (taken->remaining != access.state.button) {
    access.state.button = taken->remaining;
    access.changed = true;
  }
  open.wait.reset();
  if (taken->step.action == ButtonAction::kNone) {
    WaitResult result = completion(access);
    const uint32_t status = result.status;
    return WaitStart{status, std::move(result)};
  }
  // A press left over from before this wait does not count for it.
  access.key.DiscardPress();
  open.wait.emplace(taken->step, access.state.countdown, std::move(completion));
  return WaitStart{WaitStatus(resultLength), std::nullopt};
}

}  // namespace kq::sim
