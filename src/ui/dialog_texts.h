#pragma once
// The catalogue texts that the waits and choosers show, by message id, and the language refresh
// that every dialog but the PIN-tries warning runs when it opens.

#include <cstdint>
#include <string>

namespace kq::ui {

namespace text {
inline constexpr uint32_t kTipCaption = 2;
inline constexpr uint32_t kSelectTokenTitle = 3;
inline constexpr uint32_t kSelectTokenPrompt = 4;
inline constexpr uint32_t kTokenNameColumn = 5;
inline constexpr uint32_t kTokenSerialColumn = 6;
inline constexpr uint32_t kNoTokenSelected = 8;
inline constexpr uint32_t kOkButton = 9;
inline constexpr uint32_t kCancelButton = 10;
inline constexpr uint32_t kCountdownLabel = 11;
inline constexpr uint32_t kSelectKeyTitle = 20;  // also the warning when no key is selected
inline constexpr uint32_t kIndexColumn = 21;
inline constexpr uint32_t kSubjectColumn = 22;
inline constexpr uint32_t kContainerColumn = 23;
inline constexpr uint32_t kKeyTypeColumn = 24;
inline constexpr uint32_t kKeyLengthColumn = 25;
inline constexpr uint32_t kRsaExchange = 26;
inline constexpr uint32_t kRsaSignature = 27;
inline constexpr uint32_t kPinTriesWarning = 39;  // one %u: the tries left
inline constexpr uint32_t kPinTriesCaption = 40;
}  // namespace text

struct ButtonWaitTextIds {
  uint32_t caption;
  uint32_t prompt;
};

// Caption and prompt of the button wait for an operation kind (kinds outside 1 to 5: the
// generic signature texts).
ButtonWaitTextIds ButtonWaitTexts(uint32_t kind);

// Sets the catalogue's language from the settings: the LanguageID setting, else the system's
// default language.
void RefreshDialogLanguage();

// The text of a message id in the catalogue's current language.
std::u16string DialogText(uint32_t id);

// A text with one numeric placeholder (%u or %d) filled in.
std::u16string FormatDialogText(uint32_t id, uint32_t value);

}  // namespace kq::ui
