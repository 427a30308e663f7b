// Initialising a key and changing its PIN; both are confirmed on the key.
#include <cstring>
#include <string>

#include "common/codes_device.h"
#include "common/codes_tools.h"
#include "tools/device_exports.h"
#include "tools/media_id.h"
#include "tools/reader_walk.h"
#include "tools/tool_button_wait.h"
#include "ui/confirmation_wait.h"
#include "ui/notifications.h"

namespace kq::tools {

namespace {

constexpr size_t kPinLength = 8;
constexpr uint32_t kResultOfOperation = 5;  // ZANT_GetData kind after a confirmed operation

struct SelectedKey {
  DeviceSession session;
  DeviceSerial identity{};
  uint32_t readerIndex = 0;
};

// The first reader named with the reader prefix whose identity opens and matches (any, for an
// empty media id). Readers without the prefix are not opened.
bool SelectKeyToInitialise(const ReaderList& readers, std::string_view mediaId,
                           SelectedKey& selected) {
  if (!mediaId.empty() && mediaId.size() != kMediaIdLength) {
    return false;
  }
  for (const std::string& name : readers.names) {
    const auto index = ReaderIndex(name);
    if (!index) {
      continue;
    }
    if (OpenAndReadSerial(name, SerialKind::kIdentity, selected.session, selected.identity) != 0) {
      continue;
    }
    if (mediaId.empty() || SerialMatches(selected.identity, mediaId)) {
      selected.readerIndex = *index;
      return true;
    }
    selected.session.Close();
  }
  return false;
}

}  // namespace

uint32_t InitCard(const char* mediaId, uintptr_t argument) {
  const ReaderList readers = ListReaderNames();
  if (const uint32_t status = ListingStatus(readers); status != 0) {
    return status;
  }
  SelectedKey key;
  if (!SelectKeyToInitialise(readers, CallerText(mediaId), key)) {
    return tool::kMediaIdNotFound;
  }
  const uint32_t status = key.session.InitDev(key.identity.data(), argument);
  if (dev::IsButtonWait(status)) {
    const uint32_t outcome =
        AwaitButton(key.session, ui::kWaitInitialisation, kResultOfOperation, kInitCardWait);
    if (outcome != 0) {
      return outcome;
    }
  } else if (status != 0) {
    return tool::kDeviceOperationFailed;
  }
  if (const uint32_t message = ui::RegisterMessage(ui::kInitDeviceMessage); message != 0) {
    key.session.Close();  // the tool may look at the key while it handles the event
    ui::NotifyMarkedWindow(message, key.readerIndex, 0);
  }
  return tool::kOk;
}

uint32_t ChangePin(const char* mediaId, const char* oldPin, const char* newPin) {
  if (oldPin == nullptr || std::strlen(oldPin) != kPinLength || newPin == nullptr ||
      std::strlen(newPin) != kPinLength) {
    return tool::kInvalidArgument;
  }
  const ReaderList readers = ListReaderNames();
  if (const uint32_t status = ListingStatus(readers); status != 0) {
    return status;
  }
  const std::string_view wanted = CallerText(mediaId);
  DeviceSession session;
  if (!wanted.empty()) {
    if (!OpenReaderWithMediaId(readers, wanted, SerialKind::kSerial, session)) {
      return tool::kMediaIdNotFound;
    }
  } else if (readers.names.empty()) {
    return tool::kNoDevice;
  } else if (session.Open(readers.names.front()) != 0) {
    return tool::kOpenFirstFailed;
  }
  const uint32_t status = session.ChangePIN(oldPin, kPinLength, newPin, kPinLength, 0);
  if (dev::IsButtonWait(status)) {
    return AwaitButton(session, ui::kWaitPinChange, kResultOfOperation, kChangePinWait);
  }
  return status == 0 ? tool::kOk : tool::kDeviceOperationFailed;
}

}  // namespace kq::tools
