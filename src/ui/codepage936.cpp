#include "ui/codepage936.h"

#include "platform/codepage.h"

namespace kq::ui {

bool WideToCp936(std::u16string_view text, std::string& out) {
  out.clear();
  if (text.empty() || !platform::WideToCp936(text, out) || out.empty()) {
    out.clear();
    return false;
  }
  return true;
}

bool Cp936ToWide(std::string_view bytes, std::u16string& out) {
  out.clear();
  if (bytes.empty() || !platform::Cp936ToWide(bytes, out) || out.empty()) {
    out.clear();
    return false;
  }
  return true;
}

}  // namespace kq::ui
