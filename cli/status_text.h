#pragma once
// What a result code means, read from the system's tables of codes (common/codes.h): a tool
// export's own status by export first, then the families a code can come from.

#include <cstdint>
#include <string>
#include <string_view>

#include "json_value.h"

namespace kq::cli {

struct StatusText {
  uint32_t code = 0;
  std::string name;     // "NTE_BAD_KEYSET"; "UNKNOWN" when no table has the code
  std::string meaning;  // one line
};

// The last error of a CP* entry point.
StatusText DescribeLastError(uint32_t code);
// The status of a KQ_ export or a function of the table, by the export's name.
StatusText DescribeToolStatus(std::string_view exportName, uint32_t code);
// The same, telling apart the meanings of a status that has two by the reason the export left in
// the last error (KQ_GetSignature's 3001 and 3003).
StatusText DescribeToolStatus(std::string_view exportName, uint32_t code, uint32_t reason);

// "1103" for small numbers, "0x80090016" for the rest.
std::string FormatCode(uint32_t code);
// {"code": 2147483670, "hex": "0x80090016", "name": ..., "meaning": ...}
JsonObject StatusObject(const StatusText& status);
// "0x80090016 NTE_BAD_KEYSET: the key container does not exist"
std::string StatusLine(const StatusText& status);

}  // namespace kq::cli
