#include "store/device_files.h"

#include <array>
#include <optional>

#include "common/codes_store.h"
#include "device/info_answers.h"

namespace kq::store {

namespace {

// No file on the key is longer: the key states its largest file in 16 bits. A longer stated
// length is checked against the file before it sizes a buffer.
constexpr uint32_t kLongestPossibleFile = 0xFFFF;

}  // namespace

uint32_t FileLength(const DeviceSession& session, uint32_t fileId, uint32_t& length) {
  length = 0;
  if (const std::optional<uint32_t> known = session.memory().Length(fileId)) {
    length = *known;
    return kOk;
  }
  const uint32_t status = session.GetFileLen(fileId, &length);
  if (status == 0) {
    session.memory().RememberLength(fileId, length);
  }
  return status;
}

uint32_t ReadFilePrefix(const DeviceSession& session, uint32_t fileId, uint32_t length,
                        std::vector<uint8_t>& out) {
  out.clear();
  HandleMemory& memory = session.memory();
  if (const std::optional<std::span<const uint8_t>> known = memory.Prefix(fileId, length)) {
    out.assign(known->begin(), known->end());
    return kOk;
  }
  if (const std::optional<uint32_t> known = memory.Length(fileId); known && *known < length) {
    return kShortRead;
  }
  if (length > kLongestPossibleFile) {
    uint32_t actual = 0;
    if (const uint32_t status = FileLength(session, fileId, actual); status != 0) {
      return status;
    }
    if (actual < length) {
      return kShortRead;
    }
  }
  out.resize(length);
  uint32_t count = 0;
  const uint32_t status = session.ReadFile(fileId, 0, length, out.data(), &count, 0);
  if (status != 0) {
    out.clear();
    return status;
  }
  if (count > length) {
    // A key that claims more than the buffer holds is not believed.
    out.clear();
    return kShortRead;
  }
  out.resize(count);
  memory.RememberRead(fileId, out, count < length);
  return count < length ? kShortRead : kOk;
}

uint32_t ReadWholeFile(const DeviceSession& session, uint32_t fileId, std::vector<uint8_t>& out) {
  out.clear();
  uint32_t length = 0;
  if (const uint32_t status = FileLength(session, fileId, length); status != 0) {
    return status;
  }
  return ReadFilePrefix(session, fileId, length, out);
}

uint32_t WriteFileAt(const DeviceSession& session, uint32_t fileId, uint32_t offset,
                     std::span<const uint8_t> data, uint32_t& written) {
  written = 0;
  const uint32_t status = session.WriteFile(fileId, offset, data.data(),
                                            static_cast<uint32_t>(data.size()), &written, 0);
  if (status == 0 && written == data.size()) {
    session.memory().RememberWrite(fileId, offset, data);
  } else {
    session.memory().Forget(fileId);
  }
  return status;
}

uint32_t CreateDeviceFile(const DeviceSession& session, uint32_t& fileId, uint32_t size,
                          uint32_t accessFlag) {
  session.memory().Forget(fileId);
  const uint32_t status = session.CreateFile(&fileId, size, accessFlag);
  if (status == 0) {
    session.memory().RememberCreated(fileId, size);
  }
  return status;
}

uint32_t DeleteDeviceFile(const DeviceSession& session, uint32_t fileId) {
  session.memory().Forget(fileId);
  return session.DeleteFile(fileId);
}

uint32_t LargestFileSize(const DeviceSession& session, uint32_t& size) {
  size = 0;
  if (const std::optional<uint32_t> known = session.memory().LargestFileSize()) {
    size = *known;
    return kOk;
  }
  std::array<uint8_t, kDevInfoSize> info{};
  uint32_t length = kDevInfoSize;
  const uint32_t status = session.GetDevInfo(info.data(), &length, kDevInfoStorage);
  if (status != 0) {
    return status;
  }
  // The buffer is ours and zeroed: it is read whatever length the key reports.
  size = DecodeLargestFileSize(info).value_or(0);
  session.memory().RememberLargestFileSize(size);
  return kOk;
}

}  // namespace kq::store
