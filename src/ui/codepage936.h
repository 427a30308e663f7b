#pragma once
// Conversion between UTF-16 and code page 936 for every byte string kept on the key, passed to
// the device library or returned through the tool exports' ANSI interface. Both fail on an empty
// input (nothing to convert is reported as a failure, as callers have always relied on), and
// leave the output empty on failure. Characters code page 936 cannot hold become '?'.

#include <string>
#include <string_view>

namespace kq::ui {

bool WideToCp936(std::u16string_view text, std::string& out);
bool Cp936ToWide(std::string_view bytes, std::u16string& out);

}  // namespace kq::ui
