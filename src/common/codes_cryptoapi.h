#pragma once
// CryptoAPI results: what the CP* entry points leave in the last error.

#include <cstdint>

namespace kq::win {

inline constexpr uint32_t kSuccess = 0;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorBusy = 170;
inline constexpr uint32_t kErrorMoreData = 234;
inline constexpr uint32_t kErrorNoMoreItems = 259;
inline constexpr uint32_t kENotImpl = 0x80004001;

inline constexpr uint32_t kNteBadUid = 0x80090001;
inline constexpr uint32_t kNteBadHash = 0x80090002;
inline constexpr uint32_t kNteBadKey = 0x80090003;
inline constexpr uint32_t kNteBadLen = 0x80090004;
inline constexpr uint32_t kNteBadData = 0x80090005;
inline constexpr uint32_t kNteBadSignature = 0x80090006;
inline constexpr uint32_t kNteBadVer = 0x80090007;
inline constexpr uint32_t kNteBadAlgId = 0x80090008;
inline constexpr uint32_t kNteBadFlags = 0x80090009;
inline constexpr uint32_t kNteBadType = 0x8009000A;
inline constexpr uint32_t kNteBadHashState = 0x8009000C;
inline constexpr uint32_t kNteNoKey = 0x8009000D;
inline constexpr uint32_t kNteExists = 0x8009000F;
inline constexpr uint32_t kNteBadPublicKey = 0x80090015;
inline constexpr uint32_t kNteBadKeyset = 0x80090016;
inline constexpr uint32_t kNteBadKeysetParam = 0x8009001F;
inline constexpr uint32_t kNteFail = 0x80090020;
inline constexpr uint32_t kNteSilentContext = 0x80090022;
inline constexpr uint32_t kNteInvalidParameter = 0x80090027;
inline constexpr uint32_t kSecIllegalMessage = 0x80090326;

inline constexpr uint32_t kScardInvalidParameter = 0x80100004;
inline constexpr uint32_t kScardTimeout = 0x8010000A;
inline constexpr uint32_t kScardInvalidChv = 0x8010002A;
inline constexpr uint32_t kScardNoReadersAvailable = 0x8010002E;
// The context's key was unplugged or replaced; also a reader name unusable after a login.
inline constexpr uint32_t kScardRemovedCard = 0x80100069;
inline constexpr uint32_t kScardWrongChv = 0x8010006B;
inline constexpr uint32_t kScardChvBlocked = 0x8010006C;
inline constexpr uint32_t kScardCancelledByUser = 0x8010006E;
inline constexpr uint32_t kScardCardNotAuthenticated = 0x8010006F;

}  // namespace kq::win
