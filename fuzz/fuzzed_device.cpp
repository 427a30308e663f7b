// A device library whose answers come from the fuzzer's input: every file length, file content,
// count and status word the store reads. Each answer takes its bytes from the input in call
// order: a status selector byte (0 success, else a status word the key uses), then what the
// operation returns. The library never writes past the caller's buffer; the counts and lengths it
// reports are as the input says, as a faulty or hostile key could report them.
#include <algorithm>
#include <cstring>
#include <span>

#include "device/zant.h"

namespace {

std::span<const uint8_t> answers;

constexpr uint32_t kStatuses[] = {0x6A82, 0x6700, 0x6B00, 0x6F00, 0x6A88, 0xE0000001};

uint8_t Byte() {
  if (answers.empty()) {
    return 0;
  }
  const uint8_t value = answers.front();
  answers = answers.subspan(1);
  return value;
}

uint32_t Number(size_t bytes) {
  uint32_t value = 0;
  for (size_t i = 0; i < bytes; ++i) {
    value = (value << 8) | Byte();
  }
  return value;
}

// The answer's status: 0 while the input lasts and its selector byte is even.
uint32_t Status() {
  if (answers.empty()) {
    return 0x6F00;
  }
  const uint8_t selector = Byte();
  return (selector & 1) == 0 ? 0 : kStatuses[(selector >> 1) % std::size(kStatuses)];
}

// Up to `room` bytes of content into buffer (when there is one); returns the count the input
// claims, which may differ from what was copied.
uint32_t Content(uint8_t* buffer, uint32_t room) {
  const uint32_t claimed = Number(2);
  const size_t copied = std::min<size_t>({claimed, room, answers.size()});
  if (buffer != nullptr) {
    std::memcpy(buffer, answers.data(), copied);
  }
  answers = answers.subspan(copied);
  return claimed;
}

int handleToken = 0;

}  // namespace

extern "C" {

// Called by the fuzz target with each input, before it drives the store.
__attribute__((visibility("default"))) void FuzzedDeviceAnswers(const uint8_t* data, size_t size) {
  answers = {data, size};
}

uint32_t ZANT_EnumDev(char* buffer, uint32_t* length, uint32_t) {
  static constexpr char kReaders[] = "ORV ZANTULDCCID 0\0";
  if (buffer != nullptr && *length >= sizeof kReaders) {
    std::memcpy(buffer, kReaders, sizeof kReaders);
  }
  *length = sizeof kReaders;
  return 0;
}

uint32_t ZANT_OpenDev(ZANT_HANDLE* handle, const char*, uint32_t) {
  *handle = &handleToken;
  return 0;
}

uint32_t ZANT_CloseDev(ZANT_HANDLE, uint32_t) {
  return 0;
}

uint32_t ZANT_GetFileLen(ZANT_HANDLE, uint32_t, uint32_t* length) {
  const uint32_t status = Status();
  *length = Number(2);
  return status;
}

uint32_t ZANT_ReadFile(ZANT_HANDLE, uint32_t, uint32_t, uint32_t length, uint8_t* buffer,
                       uint32_t* count, uint32_t) {
  const uint32_t status = Status();
  *count = Content(buffer, length);
  return status;
}

uint32_t ZANT_GetDevInfo(ZANT_HANDLE, uint8_t* buffer, uint32_t* length, uint32_t) {
  const uint32_t status = Status();
  *length = Content(buffer, *length);
  return status;
}

uint32_t ZANT_GetKeyInfo(ZANT_HANDLE, uint32_t, uint32_t* keyBits, uint32_t* flags) {
  const uint32_t status = Status();
  *keyBits = Number(2);
  *flags = Number(1);
  return status;
}

uint32_t ZANT_ReadRSAPub(ZANT_HANDLE, uint32_t, uint32_t* bits, uint8_t* first,
                         uint32_t* firstLength, uint8_t* second, uint32_t* secondLength, uint32_t) {
  const uint32_t status = Status();
  *bits = Number(2);
  *firstLength = Content(first, *firstLength);
  *secondLength = Content(second, *secondLength);
  return status;
}

uint32_t ZANT_GetDevSer(ZANT_HANDLE, uint8_t* buffer, uint32_t* length, uint32_t) {
  const uint32_t status = Status();
  *length = Content(buffer, *length);
  return status;
}

}  // extern "C"
