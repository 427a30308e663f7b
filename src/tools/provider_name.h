#pragma once
// The provider's registered name as the tool exports hand it out.

#include <string_view>

namespace kq::tools {

// With its NUL: 19 bytes.
inline constexpr std::string_view kProviderName{"KQCSP For ORV v2.0", 19};

}  // namespace kq::tools
