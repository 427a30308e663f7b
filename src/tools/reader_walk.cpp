#include "tools/reader_walk.h"

#include <algorithm>

#include "common/codes_tools.h"
#include "device/device_library.h"
#include "device/readers.h"
#include "tools/media_id.h"

namespace kq::tools {

ReaderList ListReaderNames() {
  const DeviceLibrary& device = DeviceLibrary::Instance();
  ReaderList list;
  uint32_t length = 0;
  if (device.EnumDev(nullptr, &length, 0) != 0) {
    return list;
  }
  if (length == 0) {
    list.listing = ReaderListing::kEmpty;
    return list;
  }
  if (length > kMaxReaderListSize) {
    return list;  // not a reader list: refused rather than allocated
  }
  std::string buffer(length, '\0');
  uint32_t filled = length;
  if (device.EnumDev(buffer.data(), &filled, 0) != 0) {
    return list;
  }
  list.reportedLength = filled;
  if (filled == 0) {
    list.listing = ReaderListing::kEmpty;
    return list;
  }
  buffer.resize(std::min<size_t>(filled, buffer.size()));
  list.names = kq::SplitReaderNames(buffer);
  list.listing = ReaderListing::kListed;
  return list;
}

uint32_t ListingStatus(const ReaderList& readers) {
  switch (readers.listing) {
    case ReaderListing::kListed:
      return tool::kOk;
    case ReaderListing::kEmpty:
      return tool::kNoDevice;
    case ReaderListing::kFailed:
      break;
  }
  return tool::kEnumerationFailed;
}

uint32_t OpenKeyBySerial(std::string_view mediaId, DeviceSession& session, uint32_t notFound) {
  // The handle that found the key stays open for the export: opening it again would only cost
  // two more round trips.
  return OpenReaderBySerial(mediaId, session) == FindReaderResult::kFound ? 0 : notFound;
}

uint32_t OpenAndReadSerial(std::string_view readerName, SerialKind kind, DeviceSession& session,
                           DeviceSerial& serial) {
  serial.fill(0);
  if (const uint32_t status = session.Open(readerName); status != 0) {
    return status;
  }
  constexpr auto kAsked = static_cast<uint32_t>(std::tuple_size_v<DeviceSerial>);
  uint32_t length = kAsked;
  const uint32_t status = session.GetDevSer(serial.data(), &length, static_cast<uint32_t>(kind));
  if (status != 0) {
    session.Close();
    return status;
  }
  session.RememberIdentity(KeyIdentity(static_cast<uint32_t>(kind), kAsked,
                                       std::span(serial).first(std::min<size_t>(length, 16))));
  return status;
}

bool OpenReaderWithMediaId(const ReaderList& readers, std::string_view mediaId, SerialKind kind,
                           DeviceSession& session) {
  for (const std::string& name : readers.names) {
    DeviceSerial serial{};
    if (OpenAndReadSerial(name, kind, session, serial) != 0) {
      continue;
    }
    if (SerialMatches(serial, mediaId)) {
      return true;
    }
    session.Close();
  }
  return false;
}

}  // namespace kq::tools
