// Counting and listing the attached keys of a family by media id.
#include <string>

#include "common/codes_tools.h"
#include "tools/device_exports.h"
#include "tools/media_id.h"
#include "tools/output_buffer.h"
#include "tools/reader_walk.h"

namespace kq::tools {

namespace {

// The family is the serial's first two characters: "73" for a non-zero flag, else "72".
bool InFamily(const DeviceSerial& serial, uint8_t familyFlag) {
  const uint8_t second = familyFlag != 0 ? '3' : '2';
  return serial[0] == '7' && serial[1] == second;
}

// The serials of every reader that opens and answers, in reader order; each is closed again.
template <typename Visit>
void VisitSerials(const ReaderList& readers, Visit&& visit) {
  for (const std::string& name : readers.names) {
    DeviceSession session;
    DeviceSerial serial{};
    if (OpenAndReadSerial(name, SerialKind::kSerial, session, serial) == 0) {
      visit(serial);
    }
  }
}

}  // namespace

uint32_t GetListNum(uint8_t familyFlag) {
  const ReaderList readers = ListReaderNames();
  if (readers.listing != ReaderListing::kListed) {
    return 0;
  }
  uint32_t count = 0;
  VisitSerials(readers, [&](const DeviceSerial& serial) {
    if (InFamily(serial, familyFlag)) {
      ++count;
    }
  });
  return count;
}

uint32_t GetMediaId(char* buffer, int32_t* length, uint8_t familyFlag) {
  if (length == nullptr) {
    return tool::kInvalidArgument;
  }
  const ReaderList readers = ListReaderNames();
  if (const uint32_t status = ListingStatus(readers); status != 0) {
    return status;
  }
  // The text grows with the number of keys: any number of keys gives the whole list.
  std::string text;
  VisitSerials(readers, [&](const DeviceSerial& serial) {
    if (!InFamily(serial, familyFlag)) {
      return;
    }
    if (!text.empty()) {
      text.push_back('|');
    }
    text.append(reinterpret_cast<const char*>(serial.data()), kMediaIdLength);
  });
  if (text.empty()) {
    return tool::kNoDevice;
  }
  // A media id holding a NUL byte would end the text early, as a C string reads it.
  text.resize(std::char_traits<char>::length(text.c_str()));
  text.push_back('\0');
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  return DeliverBytes({bytes, text.size()}, buffer, length, tool::kBufferTooSmall);
}

}  // namespace kq::tools
