#include "device/readers.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/codes_device.h"
#include "device/device_library.h"
#include "device/device_session.h"

namespace kq {

namespace {

// The length of a serial number as the tool exports compare it (the media id).
constexpr size_t kSerialCompareLength = 12;

enum class ListStage { kListed, kSizeQueryFailed, kListQueryFailed };

struct ReaderListing {
  ListStage stage = ListStage::kSizeQueryFailed;
  uint32_t size = 0;  // what the size query reported
  std::vector<std::string> names;
};

// The size query and, when it reports at least `minimumSize` bytes, the second call.
ReaderListing QueryReaders(uint32_t minimumSize) {
  const DeviceLibrary& device = DeviceLibrary::Instance();
  ReaderListing listing;
  uint32_t size = 0;
  if (device.EnumDev(nullptr, &size, 0) != dev::kOk) {
    return listing;
  }
  listing.size = size;
  // A "negative" size (the high bit set) lists nothing, as a size of 0 does.
  if (size < minimumSize || size > INT32_MAX) {
    listing.stage = ListStage::kListed;
    return listing;
  }
  if (size > kMaxReaderListSize) {
    listing.stage = ListStage::kListQueryFailed;
    return listing;
  }
  std::string buffer(size, '\0');
  uint32_t filled = size;
  if (device.EnumDev(buffer.data(), &filled, 0) != dev::kOk) {
    listing.stage = ListStage::kListQueryFailed;
    return listing;
  }
  buffer.resize(std::min<size_t>(filled, buffer.size()));
  listing.names = SplitReaderNames(buffer);
  listing.stage = ListStage::kListed;
  return listing;
}

// True when the key behind `readerName` opens and reports a serial that begins with `serial`;
// the session is left open on it.
bool ReaderHasSerial(const std::string& readerName, std::string_view serial,
                     DeviceSession& session) {
  if (session.Open(readerName) != dev::kOk) {
    return false;
  }
  std::array<uint8_t, 16> reported{};
  uint32_t length = static_cast<uint32_t>(reported.size());
  if (session.GetDevSer(reported.data(), &length, 0) != dev::kOk || length < kSerialCompareLength) {
    return false;  // a key that does not tell its whole serial is not the one asked for
  }
  // The session stays on this key: every later reopen asks the same question again.
  session.RememberIdentity(KeyIdentity(KeyIdentity::kSerialKind,
                                       static_cast<uint32_t>(reported.size()),
                                       std::span(reported).first(std::min<size_t>(length, 16))));
  return serial.size() >= kSerialCompareLength &&
         std::memcmp(reported.data(), serial.data(), kSerialCompareLength) == 0;
}

}  // namespace

std::vector<std::string> SplitReaderNames(std::string_view buffer) {
  std::vector<std::string> names;
  while (!buffer.empty()) {
    const size_t end = std::min(buffer.find('\0'), buffer.size());
    if (end == 0) {
      break;  // the empty name ends the list
    }
    names.emplace_back(buffer.substr(0, end));
    buffer.remove_prefix(std::min(end + 1, buffer.size()));
  }
  return names;
}

uint32_t ListReaders(std::vector<std::string>& readers) {
  readers.clear();
  ReaderListing listing = QueryReaders(1);
  if (listing.stage != ListStage::kListed) {
    return dev::kReaderListFailed;
  }
  readers = std::move(listing.names);
  return dev::kOk;
}

FindReaderResult FindReaderBySerial(std::string_view serial, std::string& readerName) {
  DeviceSession session;
  const FindReaderResult result = OpenReaderBySerial(serial, session);
  if (result == FindReaderResult::kFound) {
    readerName = session.readerName();
  }
  return result;
}

FindReaderResult OpenReaderBySerial(std::string_view serial, DeviceSession& session) {
  const ReaderListing listing = QueryReaders(2);
  switch (listing.stage) {
    case ListStage::kSizeQueryFailed:
      return FindReaderResult::kEnumerationUnavailable;
    case ListStage::kListQueryFailed:
      return FindReaderResult::kListQueryFailed;
    case ListStage::kListed:
      break;
  }
  if (listing.size < 2 || listing.size > INT32_MAX) {
    return FindReaderResult::kListTooShort;
  }
  for (const std::string& name : listing.names) {
    if (ReaderHasSerial(name, serial, session)) {
      return FindReaderResult::kFound;
    }
  }
  session.Close();
  return FindReaderResult::kNoMatch;
}

}  // namespace kq
