#include "platform/system_facts.h"

#include <array>

namespace kq::platform {

uint16_t LanguageIdFromLocaleName(std::string_view locale) {
  // "language_TERRITORY" before any ".codeset" or "@modifier".
  locale = locale.substr(0, locale.find_first_of(".@"));
  struct Territory {
    std::string_view name;
    uint16_t id;
  };
  static constexpr std::array<Territory, 5> kChinese{{
      {"zh_CN", 2052},
      {"zh_SG", 4100},
      {"zh_TW", 1028},
      {"zh_HK", 3076},
      {"zh_MO", 5124},
  }};
  for (const Territory& t : kChinese) {
    if (locale == t.name) {
      return t.id;
    }
  }
  return 1033;
}

}  // namespace kq::platform
