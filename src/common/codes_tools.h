#pragma once
// Status codes of the bank tool exports (KQ_*) and of the function table. The same number means
// different things in different exports, so each export's own codes sit in a namespace of their
// own; the codes every KQ_ export shares are in kq::tool. Tables by export: codes_tools.cpp
// (ToolExportCodeTable in codes.h).

#include <cstdint>

#include "common/codes_cryptoapi.h"

namespace kq::tool {

// Shared by the KQ_ exports.
inline constexpr uint32_t kOk = 0;
inline constexpr uint32_t kNoDevice = 101;              // empty reader list (or no key of a family)
inline constexpr uint32_t kSerialReadFailed = 103;      // KQ_GetDeviceSN: identity not readable
inline constexpr uint32_t kDeviceAccessFailed = 105;    // KQ_GetAllCertDN, KQ_DeleteTempKeyOrCert
inline constexpr uint32_t kPublicKeyNotFound = 1009;    // a listed public key is not on the key
inline constexpr uint32_t kBufferTooSmall = 1101;       // needed size stored
inline constexpr uint32_t kMediaIdNotFound = 1103;      // no attached key has the media id
inline constexpr uint32_t kCertificateNotFound = 1104;  // no key holds the subject; null argument
inline constexpr uint32_t kInvalidArgument = 4001;
inline constexpr uint32_t kEnumerationFailed = 4002;  // device library missing or listing failed
inline constexpr uint32_t kMalformedData = 4003;
inline constexpr uint32_t kDeviceOperationFailed = 4004;
inline constexpr uint32_t kWaitDeviceError = 4005;  // the button wait ended with a key error
inline constexpr uint32_t kOpenFirstFailed = 4006;  // KQ_ChangePIN: the first key did not open
inline constexpr uint32_t kNotSupported = 4007;     // the key answered 0x6A81
inline constexpr uint32_t kCancelledByUser = win::kScardCancelledByUser;
inline constexpr uint32_t kTimeout = win::kScardTimeout;
inline constexpr uint32_t kNteFail = win::kNteFail;  // a key operation failed

// Results of the PIN login for the tool exports, passed through by KQ_GetSignature.
inline constexpr uint32_t kLoginFailed = 3001;
inline constexpr uint32_t kPinLocked = 3003;

}  // namespace kq::tool

// KQ_CreatePKCS10: one code per failing step.
namespace kq::tool::pkcs10 {
inline constexpr uint32_t kBadArgument = 0xFFFFFFFF;
inline constexpr uint32_t kMalformedRequest = 1;  // also a failed login before each key
inline constexpr uint32_t kRequestCount = 2;      // not one to three requests
inline constexpr uint32_t kReaderNotFound = 3;
inline constexpr uint32_t kOpenFailed = 4;
inline constexpr uint32_t kListKeysFailed = 5;
inline constexpr uint32_t kUsageTaken = 6;
inline constexpr uint32_t kLoginFailed = 7;
inline constexpr uint32_t kContainerNamesFailed = 8;  // also: the output buffer is too small
inline constexpr uint32_t kOutputTooSmall = 8;
inline constexpr uint32_t kListKeysAgainFailed = 9;
inline constexpr uint32_t kNoFreeKeyNumber = 10;
inline constexpr uint32_t kCreateContainerFailed = 11;
inline constexpr uint32_t kBadKeyType = 12;
inline constexpr uint32_t kBadUsage = 13;
inline constexpr uint32_t kSm2NeedsSm3 = 15;
inline constexpr uint32_t kGenerateFailed = 16;
inline constexpr uint32_t kReadPublicKeyFailed = 17;
inline constexpr uint32_t kEncodeSubjectFailed = 18;
inline constexpr uint32_t kEncodeSm2KeyFailed = 19;
inline constexpr uint32_t kEncodeRsaKeyFailed = 20;
inline constexpr uint32_t kEncodeRequestInfoFailed = 21;
inline constexpr uint32_t kBadHash = 22;
inline constexpr uint32_t kSignFailed = 23;
inline constexpr uint32_t kEncodeAlgorithmFailed = 24;
inline constexpr uint32_t kEncodeSm2SignatureFailed = 25;
inline constexpr uint32_t kEncodeRsaSignatureFailed = 26;
inline constexpr uint32_t kEncodeRequestFailed = 27;
inline constexpr uint32_t kBase64Failed = 28;
inline constexpr uint32_t kSerialisePublicFailed = 50;
inline constexpr uint32_t kSerialisePrivateFailed = 51;
inline constexpr uint32_t kMaxFileSizeFailed = 52;
inline constexpr uint32_t kCreatePublicFileFailed = 55;
inline constexpr uint32_t kWritePublicFileFailed = 56;
inline constexpr uint32_t kReadObjectIndexFailed = 57;
inline constexpr uint32_t kObjectIndexFull = 58;
inline constexpr uint32_t kReadPrivateIndexFailed = 59;
inline constexpr uint32_t kPrivateIndexFull = 60;
inline constexpr uint32_t kWriteObjectSlotFailed = 61;
inline constexpr uint32_t kCreatePrivateFileFailed = 62;
inline constexpr uint32_t kWritePrivateFileFailed = 63;
inline constexpr uint32_t kWritePrivateSlotFailed = 64;
inline constexpr uint32_t kFindContainerFailed = 65;
inline constexpr uint32_t kSetContainerRefsFailed = 66;
}  // namespace kq::tool::pkcs10

// KQ_WritePKCS7.
namespace kq::tool::pkcs7 {
inline constexpr uint32_t kBadArgument = 0xFFFFFFFF;
inline constexpr uint32_t kBadCertificate = 1;
inline constexpr uint32_t kNoCertificate = 2;
inline constexpr uint32_t kTooManyCertificates = 3;
inline constexpr uint32_t kReaderNotFound = 4;
inline constexpr uint32_t kOpenFailed = 5;
inline constexpr uint32_t kLoginFailed = 6;
inline constexpr uint32_t kReadObjectIndexFailed = 7;
inline constexpr uint32_t kReadContainerFailed = 8;
inline constexpr uint32_t kParseContainerFailed = 9;
inline constexpr uint32_t kContainerClassMissing = 10;
inline constexpr uint32_t kContainerClassWrong = 11;
inline constexpr uint32_t kContainerNameMissing = 12;
inline constexpr uint32_t kContainerRefsBad = 13;
inline constexpr uint32_t kStoreSignatureFailed = 14;      // the certificate object
inline constexpr uint32_t kStoreSignatureRefsFailed = 15;  // the reference or directory entry
inline constexpr uint32_t kStoreExchangeFailed = 16;
inline constexpr uint32_t kStoreExchangeRefsFailed = 17;
inline constexpr uint32_t kCertificatesLeftOver = 100;  // a certificate matches no key
inline constexpr uint32_t kBadReaderName = 110;
}  // namespace kq::tool::pkcs7

// KQ_DeleteTempKeyOrCert (besides the shared 4001, 4002, 105).
namespace kq::tool::deletion {
inline constexpr uint32_t kSubjectsLeft = 1005;  // some subjects were not found; count stored
}  // namespace kq::tool::deletion

// KQ_GetSignature, and the codes of the named-hash signing it passes through.
namespace kq::tool::signature {
inline constexpr uint32_t kNullArgument = 1001;
inline constexpr uint32_t kDeviceHashRefused = 1002;  // the key refused to hash (0x6B05)
inline constexpr uint32_t kBufferTooSmall = 1004;     // both sizes stored
inline constexpr uint32_t kUnsupportedKey = 2001;     // algorithm or device usage unknown
inline constexpr uint32_t kEmptyReaderName = 2005;
inline constexpr uint32_t kCertificateNotFound = 2008;
inline constexpr uint32_t kNotTransactionMessage = 2020;  // usage 2 signs only transactions
inline constexpr uint32_t kEnumerationFailed = 3001;      // also: the PIN login failed
inline constexpr uint32_t kDeviceFailed = 3003;           // also: the PIN is locked
inline constexpr uint32_t kBadHash = 3004;

// 3001 and 3003 each mean two things; the export leaves in the thread's last error which one.
inline constexpr uint32_t kReasonKeysNotListed = win::kScardNoReadersAvailable;
inline constexpr uint32_t kReasonLoginFailed = win::kScardCardNotAuthenticated;
inline constexpr uint32_t kReasonPinLocked = win::kScardChvBlocked;
inline constexpr uint32_t kReasonKeyFailed = win::kNteFail;
inline constexpr uint32_t kReasonKeyRemoved = win::kScardRemovedCard;  // another key took its place
}  // namespace kq::tool::signature

// The ten functions of the function table and GetFunctionList.
namespace kq::tool::table {
inline constexpr uint32_t kOk = 0;
inline constexpr uint32_t kNullArgument = 2;
inline constexpr uint32_t kDataTooLong = 3;
inline constexpr uint32_t kBufferTooSmall = 4;
inline constexpr uint32_t kOpenFailed = 5;
inline constexpr uint32_t kDeviceFailed = 6;
inline constexpr uint32_t kWrongMediaId = 7;
inline constexpr uint32_t kShortWrite = 8;
}  // namespace kq::tool::table
