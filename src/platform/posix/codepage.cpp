#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace kq::platform {

namespace {

// An iconv descriptor, closed when the object goes. glibc knows the code page as CP936; other C
// libraries may only know it as GBK.
class Converter {
 public:
  Converter(const char* to, const char* toAlternative, const char* from,
            const char* fromAlternative) {
    cd_ = iconv_open(to, from);
    if (cd_ == kInvalid) {
      cd_ = iconv_open(toAlternative, fromAlternative);
    }
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() {
    if (cd_ != kInvalid) {
      iconv_close(cd_);
    }
  }
  [[nodiscard]] bool valid() const { return cd_ != kInvalid; }

  // Converts `input`, whose units are `unit` bytes wide; a unit that cannot be converted, or an
  // incomplete sequence at the end, is replaced by `replacement` and skipped.
  void Convert(const char* input, size_t size, size_t unit, std::string_view replacement,
               std::vector<char>& out) {
    char* in = const_cast<char*>(input);  // iconv's prototype; the input is not written
    size_t inLeft = size;
    std::vector<char> chunk(4 * size + 16);
    while (inLeft > 0) {
      char* outPtr = chunk.data();
      size_t outLeft = chunk.size();
      const size_t result = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      out.insert(out.end(), chunk.data(), outPtr);
      if (result != static_cast<size_t>(-1)) {
        break;
      }
      if (errno == E2BIG) {
        continue;
      }
      // EILSEQ or EINVAL: replace one unit and go on after it.
      out.insert(out.end(), replacement.begin(), replacement.end());
      const size_t skip = std::min(unit, inLeft);
      in += skip;
      inLeft -= skip;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
    }
  }

 private:
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
  iconv_t cd_;
};

}  // namespace

bool WideToCp936(std::u16string_view text, std::string& out) {
  out.clear();
  Converter converter("CP936", "GBK", "UTF-16LE", "UTF-16LE");
  if (!converter.valid()) {
    return false;
  }
  std::vector<char> input;
  input.reserve(text.size() * 2);
  for (const char16_t c : text) {
    input.push_back(static_cast<char>(c & 0xFF));
    input.push_back(static_cast<char>(c >> 8));
  }
  std::vector<char> bytes;
  converter.Convert(input.data(), input.size(), 2, "?", bytes);
  out.assign(bytes.begin(), bytes.end());
  return true;
}

bool Cp936ToWide(std::string_view bytes, std::u16string& out) {
  out.clear();
  Converter converter("UTF-16LE", "UTF-16LE", "CP936", "GBK");
  if (!converter.valid()) {
    return false;
  }
  std::vector<char> utf16;
  converter.Convert(bytes.data(), bytes.size(), 1, std::string_view("?\0", 2), utf16);
  out.reserve(utf16.size() / 2);
  for (size_t i = 0; i + 1 < utf16.size(); i += 2) {
    out.push_back(static_cast<char16_t>(static_cast<uint8_t>(utf16[i]) |
                                        (static_cast<uint8_t>(utf16[i + 1]) << 8)));
  }
  return true;
}

}  // namespace kq::platform
