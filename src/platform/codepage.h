#pragma once
// Conversion between UTF-16 and code page 936 (Simplified Chinese, GBK), the code page of every
// byte string kept on the key or passed to the device library. As WideCharToMultiByte and
// MultiByteToWideChar do with no flags: a character code page 936 cannot hold becomes '?', and
// so does a byte sequence that is not code page 936 text. Windows converts with those functions,
// POSIX with iconv.

#include <string>
#include <string_view>

namespace kq::platform {

// False only when the conversion itself is unavailable; an empty input gives an empty output.
bool WideToCp936(std::u16string_view text, std::string& out);
bool Cp936ToWide(std::string_view bytes, std::u16string& out);

}  // namespace kq::platform
