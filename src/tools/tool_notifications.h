#pragma once
// The events the tool exports tell the bank's key-management tool about, by registered message
// name, sent to the marked tool window with the event's wParam and lParam.

#include <cstdint>
#include <string_view>

namespace kq::tools {

inline constexpr std::u16string_view kInitKeyMessage = u"KQ_ORV_INITUSBKEYMSGID";
inline constexpr std::u16string_view kGenerateKeyPairMessage = u"KQ_ORV_GENKEYPAIRMSGID";
inline constexpr std::u16string_view kImportCertificateMessage = u"KQ_ORV_IMPORTCERTMSGID";

// The message's identifier, registered by name; 0 when registration fails (nothing is sent then).
[[nodiscard]] uint32_t RegisterToolMessage(std::u16string_view name);

// Sends the registered message to the marked tool window; identifier 0 sends nothing.
void NotifyToolWindow(uint32_t message, uintptr_t wParam, intptr_t lParam);

}  // namespace kq::tools
