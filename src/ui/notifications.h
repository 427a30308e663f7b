#pragma once
// Registered window messages that keep the bank's key-management tools current: PIN events are
// broadcast to every top-level window; key and certificate events go to the one tool window that
// marked itself with the marker property. On POSIX both become datagrams (platform/notify.h).

#include <cstdint>
#include <string_view>

namespace kq::ui {

inline constexpr std::u16string_view kRefreshPinMessage = u"KQ_ORV_TOOL_REFRESHPIN";
inline constexpr std::u16string_view kInitDeviceMessage = u"KQ_ORV_INITUSBKEYMSGID";
inline constexpr std::u16string_view kGenerateKeyPairMessage = u"KQ_ORV_GENKEYPAIRMSGID";
inline constexpr std::u16string_view kImportCertificateMessage = u"KQ_ORV_IMPORTCERTMSGID";
// Sent by tools, never by this system: ends every open confirmation wait as cancelled.
inline constexpr std::u16string_view kExitAllWaitsMessage = u"KQ_ORV_EXITALLUKEYDC";

// The window property a tool window carries, with the handle value 1, to receive key and
// certificate events.
inline constexpr std::u16string_view kToolWindowMarker = u"{9989C252-62B0-0ORV-975A-C275013499656}";

// Reader names are this prefix (16 characters, the last a blank) followed by the reader number.
inline constexpr std::string_view kReaderNamePrefix = "ORV ZANTULDCCID ";

// The number after the first occurrence of the prefix, read as the C library's atoi reads it
// (leading blanks, an optional sign, then digits up to the first non-digit; out-of-range values
// clamp); 0 when the prefix is absent.
int32_t ReaderNumberOf(std::string_view readerName);

// True when the name can carry a reader number: at least 17 characters, prefix present.
bool IsNumberedReaderName(std::string_view readerName);

// The identifier of a registered message; 0 when registration fails (then nothing is sent).
uint32_t RegisterMessage(std::u16string_view name);

// Sends the message to the first marked tool window without waiting for its thread (callers hold
// the key's lock); nothing when `message` is 0 or no window is marked.
void NotifyMarkedWindow(uint32_t message, uintptr_t wParam, intptr_t lParam);

// The phases of an operation that a tool shows as busy in between.
enum class StepPhase : uint32_t { kBefore = 0, kSucceeded = 1, kFailed = 2 };

// Key and certificate events, each registering its message by name as it is sent.
void NotifyDeviceInitialised(int32_t readerNumber);  // key initialisation: wParam reader number
void NotifyTemporaryObjectsDeleted();                // temporary keys and certificates: wParam 0
void NotifyKeyPairGeneration(StepPhase phase);
void NotifyCertificateImport(StepPhase phase, int32_t readerNumber);

// The PIN-login broadcast. The message is registered once per process on first use; 0 when that
// failed, which disables both the broadcast and the reader-name check of the login.
uint32_t RefreshPinMessage();

// The low byte a successful login broadcasts; after a wrong PIN it is the tries left.
inline constexpr uint8_t kLoginSucceededLowByte = 6;

// Posts (readerNumber << 8) | lowByte to every top-level window. False, and nothing posted, when
// the reader name carries no reader number (see IsNumberedReaderName).
bool BroadcastRefreshPin(uint32_t message, std::string_view readerName, uint8_t lowByte);

}  // namespace kq::ui
