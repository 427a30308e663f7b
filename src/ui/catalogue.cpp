#include "ui/catalogue.h"

#include <atomic>
#include <string>

#include "platform/system_facts.h"
#include "ui/catalogue_texts.h"
#include "ui/settings.h"

namespace kq::ui {

namespace {

// The language the catalogue starts with: the setting, else the system default.
uint32_t InitialLanguage() {
  uint32_t language = 0;
  if (ReadLanguageSetting(language) != SettingStatus::kOk) {
    language = platform::SystemDefaultLanguageId();
  }
  return language;
}

// The process-wide catalogue: the tables are constant data, so only the language is state.
// Built on first use (a function-local static is initialised once even under threads).
std::atomic<uint32_t>& Language() {
  static std::atomic<uint32_t> language{InitialLanguage()};
  return language;
}

detail::CatalogueTable TableFor(uint32_t languageId) {
  switch (languageId) {
    case 2052:
    case 4100:
      return detail::CatalogueTable::kSimplifiedChinese;
    case 1028:
    case 3076:
    case 5124:
      return detail::CatalogueTable::kTraditionalChinese;
    default:
      return detail::CatalogueTable::kEnglish;
  }
}

uint32_t Normalised(uint32_t languageId) {
  switch (TableFor(languageId)) {
    case detail::CatalogueTable::kSimplifiedChinese:
      return kLanguageSimplifiedChinese;
    case detail::CatalogueTable::kTraditionalChinese:
      return kLanguageTraditionalChinese;
    case detail::CatalogueTable::kEnglish:
      break;
  }
  return kLanguageEnglish;
}

// The largest text a message box or dialog buffer takes: 256 UTF-16 characters with the NUL.
constexpr size_t kFormattedMaxLength = 255;

}  // namespace

std::u16string GetMessage(uint32_t id) {
  const auto texts = detail::CatalogueTexts(TableFor(Language().load()));
  if (id >= texts.size()) {
    return {};
  }
  return std::u16string(texts[id]);
}

std::u16string FormatMessage(uint32_t id, int64_t value) {
  return FormatNumber(GetMessage(id), value, kFormattedMaxLength);
}

void SetCatalogueLanguage(uint32_t languageId) {
  Language().store(Normalised(languageId));
}

uint32_t CatalogueLanguage() {
  return Language().load();
}

void RefreshCatalogueLanguage() {
  uint32_t language = kLanguageSimplifiedChinese;
  if (ReadLanguageSetting(language) != SettingStatus::kOk) {
    language = platform::SystemDefaultLanguageId();
  }
  SetCatalogueLanguage(language);
}

std::u16string FormatNumber(std::u16string_view format, int64_t value, size_t maxLength) {
  std::u16string out;
  bool replaced = false;
  for (size_t i = 0; i < format.size(); ++i) {
    const char16_t c = format[i];
    if (c != u'%' || i + 1 >= format.size()) {
      out.push_back(c);
      continue;
    }
    const char16_t conversion = format[i + 1];
    if (conversion == u'%') {
      out.push_back(u'%');
      ++i;
    } else if ((conversion == u'd' || conversion == u'u') && !replaced) {
      // As the C formatter reads a 32-bit argument for %d and %u.
      const std::string digits = conversion == u'd' ? std::to_string(static_cast<int32_t>(value))
                                                    : std::to_string(static_cast<uint32_t>(value));
      out.append(digits.begin(), digits.end());
      replaced = true;
      ++i;
    } else {
      out.push_back(c);
    }
  }
  if (out.size() > maxLength) {
    out.resize(maxLength);
  }
  return out;
}

}  // namespace kq::ui
