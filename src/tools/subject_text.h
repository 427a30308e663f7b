#pragma once
// The text of a requested subject as a certificate request carries it: UTF-8. Callers give it as
// UTF-8 or in code page 936, the narrow text of Windows programs and of KQ_GetAllCertDN's answer.

#include <optional>
#include <string>
#include <string_view>

namespace kq::tools {

// Valid UTF-8 as it stands; other text read as code page 936 and given in UTF-8; nothing when the
// bytes are neither (a byte sequence code page 936 does not define).
[[nodiscard]] std::optional<std::string> SubjectTextAsUtf8(std::string_view text);

}  // namespace kq::tools
