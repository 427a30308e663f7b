#pragma once
// Every result code the system returns has a name and a one-line meaning, grouped by family.
// kqtool and the tests print them from these tables. Each family's constants live in its own
// header (codes_*.h) and its table in the matching .cpp.

#include <cstdint>
#include <span>
#include <string_view>

namespace kq {

enum class CodeFamily {
  kCryptoApi,  // NTE_, SCARD_, E_ and Windows error numbers reported through the last error
  kDevice,     // ISO 7816 status words and the binding's own codes from the device library
  kPinEntry,   // results of the PIN-entry library (0xD01001xx)
  kStore,      // on-device store codes (0xF00F00xx)
  kTool,       // a tool export's own status codes; the same number means different things by export
};

struct CodeInfo {
  uint32_t code;
  const char* name;
  const char* meaning;
};

// The whole table of a family (for kTool: the codes shared by every tool export).
std::span<const CodeInfo> CodeTable(CodeFamily family);

// The codes of one tool export by its name ("KQ_GetMediaID"); empty when the export is unknown.
std::span<const CodeInfo> ToolExportCodeTable(std::string_view exportName);

// Looks a code up in a family; null when the family has no entry for it.
const CodeInfo* FindCode(CodeFamily family, uint32_t code);

// Looks a tool export's status up: first the export's own codes, then the shared ones.
const CodeInfo* FindToolCode(std::string_view exportName, uint32_t code);

// The same, for a status that means two things in one export (KQ_GetSignature's 3001 and 3003):
// the reason the export left in the thread's last error tells which. A status with one meaning
// is looked up as above.
const CodeInfo* FindToolCode(std::string_view exportName, uint32_t code, uint32_t reason);

}  // namespace kq
