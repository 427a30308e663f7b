#pragma once
// UTF-16 (the system's text type, as on Windows) to and from UTF-8 (for logs and terminals).
// Unpaired surrogates and malformed UTF-8 become U+FFFD; nothing is read past the input.

#include <string>
#include <string_view>

namespace kq {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

// True when the bytes are well-formed UTF-8: no stray or missing continuation byte, no overlong
// form, no surrogate, nothing above U+10FFFF.
[[nodiscard]] bool IsUtf8(std::string_view text);

}  // namespace kq
