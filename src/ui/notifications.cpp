#include "ui/notifications.h"

#include <algorithm>
#include <limits>

#include "platform/notify.h"

namespace kq::ui {

int32_t ReaderNumberOf(std::string_view readerName) {
  const size_t at = readerName.find(kReaderNamePrefix);
  if (at == std::string_view::npos) {
    return 0;
  }
  std::string_view rest = readerName.substr(at + kReaderNamePrefix.size());
  while (!rest.empty() && (rest.front() == ' ' || (rest.front() >= '\t' && rest.front() <= '\r'))) {
    rest.remove_prefix(1);
  }
  bool negative = false;
  if (!rest.empty() && (rest.front() == '+' || rest.front() == '-')) {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  while (!rest.empty() && rest.front() >= '0' && rest.front() <= '9') {
    value = std::min(value * 10 + (rest.front() - '0'), kLimit);
    rest.remove_prefix(1);
  }
  if (negative) {
    return static_cast<int32_t>(-value);
  }
  return static_cast<int32_t>(std::min(value, kLimit - 1));
}

bool IsNumberedReaderName(std::string_view readerName) {
  return readerName.size() >= kReaderNamePrefix.size() + 1 &&
         readerName.find(kReaderNamePrefix) != std::string_view::npos;
}

uint32_t RegisterMessage(std::u16string_view name) {
  return platform::RegisterNotification(name);
}

void NotifyMarkedWindow(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message != 0) {
    (void)platform::SendToMarkedWindow(message, wParam, lParam, kToolWindowMarker);
  }
}

namespace {
void NotifyByName(std::u16string_view name, uintptr_t wParam, intptr_t lParam) {
  NotifyMarkedWindow(RegisterMessage(name), wParam, lParam);
}

uintptr_t AsWParam(int32_t number) {
  return static_cast<uintptr_t>(static_cast<intptr_t>(number));
}
}  // namespace

void NotifyDeviceInitialised(int32_t readerNumber) {
  NotifyByName(kInitDeviceMessage, AsWParam(readerNumber), 0);
}

void NotifyTemporaryObjectsDeleted() {
  NotifyByName(kInitDeviceMessage, 0, 0);
}

void NotifyKeyPairGeneration(StepPhase phase) {
  NotifyByName(kGenerateKeyPairMessage, static_cast<uintptr_t>(phase), 0);
}

void NotifyCertificateImport(StepPhase phase, int32_t readerNumber) {
  NotifyByName(kImportCertificateMessage, static_cast<uintptr_t>(phase), readerNumber);
}

uint32_t RefreshPinMessage() {
  static const uint32_t message = RegisterMessage(kRefreshPinMessage);
  return message;
}

bool BroadcastRefreshPin(uint32_t message, std::string_view readerName, uint8_t lowByte) {
  if (!IsNumberedReaderName(readerName)) {
    return false;
  }
  const intptr_t shifted = static_cast<intptr_t>(ReaderNumberOf(readerName)) * 256;
  platform::BroadcastNotification(message, static_cast<uintptr_t>(shifted) | lowByte, 0);
  return true;
}

}  // namespace kq::ui
