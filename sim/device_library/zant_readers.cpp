// Listing, opening and closing keys, and what a key tells about itself.

#include <cstring>

#include "common/codes_device.h"
#include "crypto/random_bytes.h"
#include "device/zant.h"
#include "device_library/device_operation.h"
#include "softkey/call_counters.h"
#include "softkey/call_latency.h"
#include "softkey/soft_key_root.h"

using namespace kq;
using namespace kq::sim;

namespace {

constexpr size_t kMaxReaderName = 260;
constexpr uint32_t kMaxRandomLength = 1024;
constexpr uint32_t kDevInfoSize = 20;
constexpr uint8_t kKeySlots = 5;

void PutNative16(uint8_t* at, uint32_t value) {
  // The callers read these fields in their own byte order.
  const auto v = static_cast<uint16_t>(value > 0xFFFF ? 0xFFFF : value);
  std::memcpy(at, &v, sizeof v);
}

}  // namespace

extern "C" uint32_t ZANT_EnumDev(char* buffer, uint32_t* length, uint32_t /*reserved*/) {
  return RunWithoutKey("ZANT_EnumDev", [&]() -> uint32_t {
    if (length == nullptr) {
      return dev::kSwWrongData;
    }
    const size_t keys = ListKeyDirectories(SoftKeyRoot()).size();
    if (keys == 0) {
      *length = 0;  // no key attached
      return dev::kOk;
    }
    // Each name with its NUL, then the empty name that ends the list.
    std::vector<uint8_t> list;
    for (size_t i = 0; i < keys; ++i) {
      const std::string name = ReaderName(i);
      list.insert(list.end(), name.begin(), name.end());
      list.push_back(0);
    }
    list.push_back(0);
    return CopyOut(list, reinterpret_cast<uint8_t*>(buffer), length);
  });
}

extern "C" uint32_t ZANT_GetDevNum(uint32_t* count) {
  return RunWithoutKey("ZANT_GetDevNum", [&]() -> uint32_t {
    if (count == nullptr) {
      return dev::kSwWrongData;
    }
    *count = static_cast<uint32_t>(ListKeyDirectories(SoftKeyRoot()).size());
    return dev::kOk;
  });
}

extern "C" uint32_t ZANT_OpenDev(ZANT_HANDLE* handle, const char* readerName,
                                 uint32_t /*reserved*/) {
  try {
    WaitLikeUsbExchange();
    const std::filesystem::path root = SoftKeyRoot();
    const std::optional<uint32_t> fault = PlannedFault("ZANT_OpenDev", root);
    if (handle == nullptr || readerName == nullptr) {
      CountInRoot(root, {{"ZANT_OpenDev", 1}, {"open_failed", 1}});
      return fault.value_or(dev::kSwWrongData);
    }
    *handle = nullptr;
    const std::string_view name(readerName, strnlen(readerName, kMaxReaderName));
    const std::optional<std::filesystem::path> directory = KeyDirectoryForReader(root, name);
    if (!directory) {
      CountInRoot(root, {{"ZANT_OpenDev", 1}, {"open_failed", 1}});
      return fault.value_or(dev::kSwNoSuchReader);
    }
    auto open = std::make_shared<OpenKey>(root, *directory);
    const platform::FileLock lock = open->key.Lock();
    if (!lock.locked() || !open->key.LoadState()) {
      CountInRoot(root, {{"ZANT_OpenDev", 1}, {"open_failed", 1}});
      return fault.value_or(dev::kSwUnknown);
    }
    if (fault) {
      AddToCounters(open->key.directory(), {{"ZANT_OpenDev", 1}});
      return *fault;
    }
    AddToCounters(open->key.directory(), {{"ZANT_OpenDev", 1}, {kHandlesOpenCounter, 1}});
    *handle = OpenKeys::Instance().Add(std::move(open));
    return dev::kOk;
  } catch (...) {
    return dev::kSwUnknown;
  }
}

extern "C" uint32_t ZANT_CloseDev(ZANT_HANDLE handle, uint32_t /*reserved*/) {
  try {
    WaitLikeUsbExchange();
    // A planned failure still closes the handle: a caller cannot do anything else with it.
    const std::shared_ptr<OpenKey> open = OpenKeys::Instance().Remove(handle);
    if (!open) {
      CountInRoot(SoftKeyRoot(), {{"ZANT_CloseDev", 1}, {"invalid_handle", 1}});
      return dev::kSwInvalidHandle;
    }
    std::lock_guard<std::mutex> hold(open->mutex);
    const std::optional<uint32_t> fault = PlannedFault("ZANT_CloseDev", open->root);
    const platform::FileLock lock = open->key.Lock();
    if (lock.locked()) {
      AddToCounters(open->key.directory(), {{"ZANT_CloseDev", 1}, {kHandlesOpenCounter, -1}});
    }
    return fault.value_or(dev::kOk);
  } catch (...) {
    return dev::kSwUnknown;
  }
}

extern "C" uint32_t ZANT_GetDevSer(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                                   uint32_t kind) {
  return RunOnKey("ZANT_GetDevSer", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (kind != 0 && kind != 6) {
      return dev::kSwIncorrectP1P2;
    }
    if (length == nullptr) {
      return dev::kSwWrongData;
    }
    const std::vector<uint8_t>& value = kind == 0 ? access.state.serial : access.state.identity;
    // A shorter buffer receives the leading bytes (the media id comes first).
    const uint32_t count = buffer == nullptr
                               ? static_cast<uint32_t>(value.size())
                               : std::min<uint32_t>(*length, static_cast<uint32_t>(value.size()));
    if (buffer != nullptr && count > 0) {
      std::memcpy(buffer, value.data(), count);
    }
    *length = count;
    return dev::kOk;
  });
}

extern "C" uint32_t ZANT_GetDevInfo(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length,
                                    uint32_t kind) {
  return RunOnKey("ZANT_GetDevInfo", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (kind != 0 && kind != 2) {
      return dev::kSwIncorrectP1P2;
    }
    const KeyState& s = access.state;
    const uint32_t used = access.key.UsedSpace();
    const uint32_t available = used < s.capacity ? s.capacity - used : 0;
    uint8_t info[kDevInfoSize] = {};
    info[0] = static_cast<uint8_t>(kind);
    if (kind == 0) {
      // 0: record kind; 1: key slots; 2-3: largest file; 4-5: capacity; 6-7: free; 8-9: files.
      info[1] = kKeySlots;
      PutNative16(info + 2, s.maxFileSize);
      PutNative16(info + 4, s.capacity);
      PutNative16(info + 6, available);
      PutNative16(info + 8, static_cast<uint32_t>(access.key.ListFiles().size()));
    } else {
      // 2-3: capacity in bytes; 10-11: free bytes.
      PutNative16(info + 2, s.capacity);
      PutNative16(info + 10, available);
    }
    return CopyOut(info, buffer, length);
  });
}

extern "C" uint32_t ZANT_SetLanguage(ZANT_HANDLE handle, uint32_t language) {
  return RunOnKey("ZANT_SetLanguage", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    // 0 Simplified Chinese, 1 Traditional Chinese, 2 English on the key's display.
    if (language > 2) {
      return dev::kSwWrongData;
    }
    access.state.language = language;
    access.changed = true;
    return dev::kOk;
  });
}

extern "C" uint32_t ZANT_GetRandom(ZANT_HANDLE handle, uint8_t* buffer, uint32_t length) {
  return RunOnKey("ZANT_GetRandom", handle, [&](OpenKey&, KeyAccess&) -> uint32_t {
    if (length > kMaxRandomLength) {
      return dev::kSwWrongLength;
    }
    if (buffer == nullptr && length > 0) {
      return dev::kSwWrongData;
    }
    return kq::RandomBytes({buffer, length}) ? dev::kOk : dev::kSwUnknown;
  });
}
