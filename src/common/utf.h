#pragma once
// UTF-16 (the system's text type, as on Windows) to and from UTF-8 (for logs and terminals).
// Unpaired surrogates and malformed UTF-8 become U+FFFD; nothing is read past the input.

#include <string>
#include <string_view>

namespace kq {

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace kq
