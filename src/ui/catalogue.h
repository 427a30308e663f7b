#pragma once
// Every text the system shows to a user, in Simplified Chinese, Traditional Chinese and English.
// The process-wide catalogue is built on first use with the language of the LanguageID setting,
// else the system default language; dialogs refresh the language each time they open.

#include <cstdint>
#include <string>

namespace kq::ui {

// Message ids.
namespace msg {
inline constexpr uint32_t kTransactionTitle = 0;
inline constexpr uint32_t kTransactionPrompt = 1;
inline constexpr uint32_t kTipCaption = 2;
inline constexpr uint32_t kSelectTokenTitle = 3;
inline constexpr uint32_t kSelectTokenPrompt = 4;
inline constexpr uint32_t kTokenNameColumn = 5;
inline constexpr uint32_t kTokenSerialColumn = 6;
inline constexpr uint32_t kReaderNameColumn = 7;
inline constexpr uint32_t kNoTokenSelected = 8;
inline constexpr uint32_t kOkButton = 9;
inline constexpr uint32_t kCancelButton = 10;
inline constexpr uint32_t kTimeLeftLabel = 11;
inline constexpr uint32_t kGenerateKeyTitle = 12;
inline constexpr uint32_t kGenerateKeyPrompt = 13;
inline constexpr uint32_t kVerifyPinCaption = 14;
inline constexpr uint32_t kDeviceMissing = 15;
inline constexpr uint32_t kWrongPinTriesLeft = 16;  // format: one signed integer (%d)
inline constexpr uint32_t kPinEntryFailed = 17;     // callers pass the status; the text ignores it
inline constexpr uint32_t kPinLocked = 18;
inline constexpr uint32_t kPinEntryTimedOut = 19;
inline constexpr uint32_t kSelectKeyToOverwrite = 20;
inline constexpr uint32_t kIndexColumn = 21;
inline constexpr uint32_t kSubjectColumn = 22;
inline constexpr uint32_t kContainerNameColumn = 23;
inline constexpr uint32_t kKeyTypeColumn = 24;
inline constexpr uint32_t kKeyLengthColumn = 25;
inline constexpr uint32_t kRsaExchangeLabel = 26;
inline constexpr uint32_t kRsaSignatureLabel = 27;
inline constexpr uint32_t kDeleteKeyTitle = 28;
inline constexpr uint32_t kDeleteKeyPrompt = 29;
inline constexpr uint32_t kInitDeviceTitle = 30;
inline constexpr uint32_t kInitDevicePrompt = 31;
inline constexpr uint32_t kChangePinTitle = 32;
inline constexpr uint32_t kChangePinPrompt = 33;
inline constexpr uint32_t kSignTitle = 34;
inline constexpr uint32_t kSignPrompt = 35;
inline constexpr uint32_t kSm2ExchangeLabel = 36;
inline constexpr uint32_t kSm2SignatureLabel = 37;
inline constexpr uint32_t kNoData = 38;
inline constexpr uint32_t kPinRetryWarning = 39;  // format: one unsigned integer (%u)
inline constexpr uint32_t kPinRetryWarningCaption = 40;
}  // namespace msg

// Language identifiers the catalogue normalises to.
inline constexpr uint32_t kLanguageSimplifiedChinese = 2052;
inline constexpr uint32_t kLanguageTraditionalChinese = 1028;
inline constexpr uint32_t kLanguageEnglish = 1033;

// The text of `id` in the catalogue's current language; empty for an id outside 0..40.
std::u16string GetMessage(uint32_t id);

// The text of `id` with its one numeric placeholder (%d or %u) replaced by `value`, cut to 255
// characters as a 256-character buffer holds. A text without a placeholder ignores the value.
std::u16string FormatMessage(uint32_t id, int64_t value);

// Stores the language, normalised: 2052 and 4100 become 2052; 1028, 3076 and 5124 become 1028;
// every other value 1033.
void SetCatalogueLanguage(uint32_t languageId);

// The catalogue's current language identifier (as read at first use, or as last set).
uint32_t CatalogueLanguage();

// What a dialog does as it opens: the LanguageID setting, else the system default language, passed
// to SetCatalogueLanguage.
void RefreshCatalogueLanguage();

// Replaces the first %d or %u of `format` by `value` (as a signed or unsigned 32-bit number) and
// "%%" by "%"; the result is cut to `maxLength` characters.
std::u16string FormatNumber(std::u16string_view format, int64_t value, size_t maxLength);

}  // namespace kq::ui
