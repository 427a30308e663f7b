// The key's files: created with a fixed size, read and written in place, deleted.

#include <cstring>

#include "common/codes_device.h"
#include "device/zant.h"
#include "device_library/device_operation.h"
#include "softkey/soft_key.h"

using namespace kq;
using namespace kq::sim;

namespace {

constexpr uint32_t kFirstPickedId = 0x0001;
constexpr uint32_t kLastFileId = 0xFFFE;

// Changing files needs the verified PIN, except the user data (label) file.
bool NeedsPin(uint32_t fileId) {
  return fileId != kLabelFile;
}

bool ValidId(uint32_t fileId) {
  return fileId >= 1 && fileId <= kLastFileId;
}

}  // namespace

extern "C" uint32_t ZANT_CreateFile(ZANT_HANDLE handle, uint32_t* fileId, uint32_t size,
                                    uint32_t flag) {
  return RunOnKey("ZANT_CreateFile", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (fileId == nullptr) {
      return dev::kSwWrongData;
    }
    if (*fileId != 0 && !ValidId(*fileId)) {
      return dev::kSwIncorrectP1P2;
    }
    if (NeedsPin(*fileId) && !access.state.pinVerified) {
      return dev::kSwSecurityNotSatisfied;
    }
    if (size == 0 || size > access.state.maxFileSize) {
      return size == 0 ? dev::kSwWrongLength : dev::kSwNotEnoughMemory;
    }
    const std::vector<KeyFileInfo> files = access.key.ListFiles();
    uint64_t used = 0;
    for (const KeyFileInfo& info : files) {
      used += info.size;
    }
    if (used + size > access.state.capacity) {
      return dev::kSwNotEnoughMemory;
    }
    uint32_t id = *fileId;
    if (id == 0) {
      // The lowest free id (files are listed in id order); the fixed ids D000-D003 are only ever
      // created by name.
      id = kFirstPickedId;
      for (const KeyFileInfo& info : files) {
        if (info.id == id) {
          ++id;
        }
      }
      if (id >= kCertificateDirectoryFile && id <= kLabelFile) {
        return dev::kSwNotEnoughMemory;  // 0xCFFF files exist already
      }
    } else {
      for (const KeyFileInfo& info : files) {
        if (info.id == id) {
          return dev::kSwFileExists;
        }
      }
    }
    const std::vector<uint8_t> content(size, 0);
    if (!access.key.WriteFile(id, flag, content)) {
      return dev::kSwMemoryFailure;
    }
    *fileId = id;
    return dev::kOk;
  });
}

extern "C" uint32_t ZANT_GetFileLen(ZANT_HANDLE handle, uint32_t fileId, uint32_t* length) {
  return RunOnKey("ZANT_GetFileLen", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (length == nullptr) {
      return dev::kSwWrongData;
    }
    const std::optional<KeyFileInfo> info = access.key.FindFile(fileId);
    if (!info) {
      return dev::kSwFileNotFound;
    }
    *length = info->size;
    return dev::kOk;
  });
}

extern "C" uint32_t ZANT_ReadFile(ZANT_HANDLE handle, uint32_t fileId, uint32_t offset,
                                  uint32_t length, uint8_t* buffer, uint32_t* count,
                                  uint32_t /*reserved*/) {
  return RunOnKey("ZANT_ReadFile", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (count == nullptr || (buffer == nullptr && length > 0)) {
      return dev::kSwWrongData;
    }
    *count = 0;
    const std::optional<std::vector<uint8_t>> content = access.key.ReadFile(fileId);
    if (!content) {
      return dev::kSwFileNotFound;
    }
    if (offset > content->size()) {
      return dev::kSwWrongOffset;
    }
    // A read past the end delivers what is there; the count tells how much.
    const size_t available = content->size() - offset;
    const uint32_t n = length < available ? length : static_cast<uint32_t>(available);
    if (n > 0) {
      std::memcpy(buffer, content->data() + offset, n);
    }
    *count = n;
    return dev::kOk;
  });
}

extern "C" uint32_t ZANT_WriteFile(ZANT_HANDLE handle, uint32_t fileId, uint32_t offset,
                                   const uint8_t* data, uint32_t length, uint32_t* count,
                                   uint32_t /*reserved*/) {
  return RunOnKey("ZANT_WriteFile", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (count == nullptr || (data == nullptr && length > 0)) {
      return dev::kSwWrongData;
    }
    *count = 0;
    if (NeedsPin(fileId) && !access.state.pinVerified) {
      return dev::kSwSecurityNotSatisfied;
    }
    const std::optional<KeyFileInfo> info = access.key.FindFile(fileId);
    if (!info) {
      return dev::kSwFileNotFound;
    }
    std::optional<std::vector<uint8_t>> content = access.key.ReadFile(fileId);
    if (!content) {
      return dev::kSwFileNotFound;
    }
    if (offset > content->size()) {
      return dev::kSwWrongOffset;
    }
    // Files keep the size they were created with: a write that does not fit writes nothing.
    if (length > content->size() - offset) {
      return dev::kSwWrongLength;
    }
    if (length > 0) {
      std::memcpy(content->data() + offset, data, length);
    }
    if (!access.key.WriteFile(fileId, info->flag, *content)) {
      return dev::kSwMemoryFailure;
    }
    *count = length;
    return dev::kOk;
  });
}

extern "C" uint32_t ZANT_DeleteFile(ZANT_HANDLE handle, uint32_t fileId) {
  return RunOnKey("ZANT_DeleteFile", handle, [&](OpenKey&, KeyAccess& access) -> uint32_t {
    if (NeedsPin(fileId) && !access.state.pinVerified) {
      return dev::kSwSecurityNotSatisfied;
    }
    if (!access.key.FindFile(fileId)) {
      return dev::kSwFileNotFound;
    }
    return access.key.DeleteFile(fileId) ? dev::kOk : dev::kSwMemoryFailure;
  });
}
