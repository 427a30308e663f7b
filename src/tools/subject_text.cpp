#include "tools/subject_text.h"

#include "common/utf.h"
#include "platform/codepage.h"

namespace kq::tools {

std::optional<std::string> SubjectTextAsUtf8(std::string_view text) {
  if (IsUtf8(text)) {
    return std::string(text);
  }
  // The conversion puts '?' in place of what code page 936 does not define; only text that
  // converts back to the same bytes was code page 936 text throughout.
  std::u16string wide;
  std::string again;
  if (!platform::Cp936ToWide(text, wide) || !platform::WideToCp936(wide, again) || again != text) {
    return std::nullopt;
  }
  return Utf16ToUtf8(wide);
}

}  // namespace kq::tools
