#include "common/code_tables.h"

namespace kq::detail {

namespace {
// Codes that every tool export shares; each export's own codes follow by name.
constexpr CodeInfo kShared[] = {
    {0, "OK", "success"},
};
}  // namespace

std::span<const CodeInfo> ToolSharedCodes() {
  return kShared;
}

std::span<const CodeInfo> ToolExportCodes(std::string_view /*exportName*/) {
  return {};
}

}  // namespace kq::detail
