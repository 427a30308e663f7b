// The status codes of each bank tool export, with name and meaning. One table per export: the
// same number means different things in different exports (1 is a malformed request text in
// KQ_CreatePKCS10 but a bad certificate in KQ_WritePKCS7).
#include "common/codes_tools.h"

#include <string_view>

#include "common/code_tables.h"
#include "common/codes_store.h"

namespace kq::detail {

namespace {

constexpr CodeInfo kOkInfo{tool::kOk, "KQ_OK", "success"};
constexpr CodeInfo kCancelled{tool::kCancelledByUser, "SCARD_W_CANCELLED_BY_USER",
                              "the user pressed C on the key, or the wait was cancelled"};
constexpr CodeInfo kTimedOut{tool::kTimeout, "SCARD_E_TIMEOUT",
                             "the key's button was not pressed in time"};

// The codes that every KQ_ export shares.
constexpr CodeInfo kShared[] = {
    kOkInfo,
    {tool::kNoDevice, "KQ_NO_DEVICE", "no key attached (or none of the requested family)"},
    {tool::kSerialReadFailed, "KQ_SERIAL_READ_FAILED", "the key's identity could not be read"},
    {tool::kDeviceAccessFailed, "KQ_DEVICE_ACCESS_FAILED", "a key could not be opened or read"},
    {tool::kPublicKeyNotFound, "KQ_PUBLIC_KEY_NOT_FOUND", "a named public key is not on the key"},
    {tool::kBufferTooSmall, "KQ_BUFFER_TOO_SMALL", "the buffer is too small; the size was stored"},
    {tool::kMediaIdNotFound, "KQ_MEDIA_ID_NOT_FOUND", "no attached key has the media id"},
    {tool::kCertificateNotFound, "KQ_CERTIFICATE_NOT_FOUND",
     "no attached key holds a certificate with the subject, or a null argument"},
    {tool::kInvalidArgument, "KQ_INVALID_ARGUMENT", "a null pointer or a wrong length"},
    {tool::kEnumerationFailed, "KQ_ENUMERATION_FAILED",
     "the device library is missing or the keys could not be listed"},
    {tool::kMalformedData, "KQ_MALFORMED_DATA", "the caller's data is malformed"},
    {tool::kDeviceOperationFailed, "KQ_DEVICE_OPERATION_FAILED", "a key operation failed"},
    {tool::kWaitDeviceError, "KQ_WAIT_DEVICE_ERROR", "the key failed while waiting for its button"},
    {tool::kOpenFirstFailed, "KQ_OPEN_FIRST_FAILED", "the first attached key could not be opened"},
    {tool::kNotSupported, "KQ_NOT_SUPPORTED", "the key does not support the operation"},
    kCancelled,
    kTimedOut,
};

constexpr CodeInfo kCheck[] = {
    {0, "KQ_ABSENT", "absent or not usable; a message was written"},
    {1, "KQ_PRESENT", "present"},
};

constexpr CodeInfo kListNum[] = {
    {0, "KQ_NONE", "no key of the family attached, or the keys could not be listed"},
};

constexpr CodeInfo kMediaId[] = {
    kOkInfo,
    {tool::kNoDevice, "KQ_NO_DEVICE", "no key attached, or none of the requested family"},
    {tool::kBufferTooSmall, "KQ_BUFFER_TOO_SMALL", "the buffer is too small; the size was stored"},
    {tool::kInvalidArgument, "KQ_INVALID_ARGUMENT", "the length pointer is null"},
    {tool::kEnumerationFailed, "KQ_ENUMERATION_FAILED",
     "the device library is missing or the keys could not be listed"},
};

constexpr CodeInfo kDeviceSn[] = {
    kOkInfo,
    {tool::kNoDevice, "KQ_NO_DEVICE", "no key attached, or the keys could not be listed"},
    {tool::kSerialReadFailed, "KQ_SERIAL_READ_FAILED", "the key's identity could not be read"},
    {tool::kBufferTooSmall, "KQ_BUFFER_TOO_SMALL", "the buffer is too small; 12 was stored"},
    {tool::kCertificateNotFound, "KQ_CERTIFICATE_NOT_FOUND",
     "no attached key holds a certificate with the subject, or a null argument"},
};

constexpr CodeInfo kCspNameBySubject[] = {
    kOkInfo,
    {tool::kNoDevice, "KQ_NO_DEVICE", "no key attached, or the keys could not be listed"},
    {tool::kBufferTooSmall, "KQ_BUFFER_TOO_SMALL", "the buffer is too small; 19 was stored"},
    {tool::kCertificateNotFound, "KQ_CERTIFICATE_NOT_FOUND",
     "no attached key holds a certificate with the subject, or a null argument"},
};

constexpr CodeInfo kCspName[] = {
    kOkInfo,
    {tool::kCertificateNotFound, "KQ_NULL_ARGUMENT", "the length pointer is null"},
};

constexpr CodeInfo kInitCard[] = {
    kOkInfo,
    {tool::kNoDevice, "KQ_NO_DEVICE", "no key attached"},
    {tool::kMediaIdNotFound, "KQ_MEDIA_ID_NOT_FOUND", "no attached key has the media id"},
    {tool::kEnumerationFailed, "KQ_ENUMERATION_FAILED",
     "the device library is missing or the keys could not be listed"},
    {tool::kDeviceOperationFailed, "KQ_DEVICE_OPERATION_FAILED", "the initialisation failed"},
    {tool::kWaitDeviceError, "KQ_WAIT_DEVICE_ERROR", "the key failed while waiting for its button"},
    {tool::kCancelledByUser, "SCARD_W_CANCELLED_BY_USER",
     "the user pressed C, the wait was cancelled or it timed out"},
};

constexpr CodeInfo kChangePin[] = {
    kOkInfo,
    {tool::kNoDevice, "KQ_NO_DEVICE", "no key attached"},
    {tool::kMediaIdNotFound, "KQ_MEDIA_ID_NOT_FOUND", "no attached key has the media id"},
    {tool::kInvalidArgument, "KQ_INVALID_ARGUMENT", "a PIN is null or not 8 characters"},
    {tool::kEnumerationFailed, "KQ_ENUMERATION_FAILED",
     "the device library is missing or the keys could not be listed"},
    {tool::kDeviceOperationFailed, "KQ_DEVICE_OPERATION_FAILED",
     "the PIN change failed (a wrong old PIN included)"},
    {tool::kWaitDeviceError, "KQ_WAIT_DEVICE_ERROR", "the key failed while waiting for its button"},
    {tool::kOpenFirstFailed, "KQ_OPEN_FIRST_FAILED", "the first attached key could not be opened"},
    kCancelled,
    kTimedOut,
};

namespace p10 = tool::pkcs10;
constexpr CodeInfo kCreatePkcs10[] = {
    kOkInfo,
    {p10::kMalformedRequest, "P10_MALFORMED_REQUEST",
     "the request text is malformed, or the login before a key failed"},
    {p10::kRequestCount, "P10_REQUEST_COUNT", "the text holds fewer than one or more than three"},
    {p10::kReaderNotFound, "P10_READER_NOT_FOUND", "no attached key has the media id"},
    {p10::kOpenFailed, "P10_OPEN_FAILED", "the key could not be opened"},
    {p10::kListKeysFailed, "P10_LIST_KEYS_FAILED", "the key's key pairs could not be listed"},
    {p10::kUsageTaken, "P10_USAGE_TAKEN", "a requested usage is taken or requested twice"},
    {p10::kLoginFailed, "P10_LOGIN_FAILED", "the PIN login failed"},
    {p10::kContainerNamesFailed, "P10_CONTAINER_NAMES_OR_OUTPUT",
     "the container names could not be read, or the output buffer is too small (size stored)"},
    {p10::kListKeysAgainFailed, "P10_LIST_KEYS_AGAIN_FAILED", "the key pairs could not be listed"},
    {p10::kNoFreeKeyNumber, "P10_NO_FREE_KEY_NUMBER", "all five key slots are used"},
    {p10::kCreateContainerFailed, "P10_CREATE_CONTAINER_FAILED", "the container was not created"},
    {p10::kBadKeyType, "P10_BAD_KEY_TYPE", "the key type is not supported"},
    {p10::kBadUsage, "P10_BAD_USAGE", "the device usage is not supported"},
    {p10::kSm2NeedsSm3, "P10_SM2_NEEDS_SM3", "an SM2 key needs the SM3 hash"},
    {p10::kGenerateFailed, "P10_GENERATE_FAILED",
     "key pair generation failed, was cancelled or timed out on the key"},
    {p10::kReadPublicKeyFailed, "P10_READ_PUBLIC_KEY_FAILED", "the new public key was not read"},
    {p10::kEncodeSubjectFailed, "P10_ENCODE_SUBJECT_FAILED", "the subject could not be encoded"},
    {p10::kEncodeSm2KeyFailed, "P10_ENCODE_SM2_KEY_FAILED", "the SM2 key could not be encoded"},
    {p10::kEncodeRsaKeyFailed, "P10_ENCODE_RSA_KEY_FAILED", "the RSA key could not be encoded"},
    {p10::kEncodeRequestInfoFailed, "P10_ENCODE_REQUEST_INFO_FAILED",
     "the request body could not be encoded"},
    {p10::kBadHash, "P10_BAD_HASH", "the hash is not supported"},
    {p10::kSignFailed, "P10_SIGN_FAILED", "the key did not sign the request"},
    {p10::kEncodeAlgorithmFailed, "P10_ENCODE_ALGORITHM_FAILED",
     "the signature algorithm could not be encoded"},
    {p10::kEncodeSm2SignatureFailed, "P10_ENCODE_SM2_SIGNATURE_FAILED",
     "the SM2 signature could not be encoded"},
    {p10::kEncodeRsaSignatureFailed, "P10_ENCODE_RSA_SIGNATURE_FAILED",
     "the RSA signature could not be encoded"},
    {p10::kEncodeRequestFailed, "P10_ENCODE_REQUEST_FAILED", "the request could not be encoded"},
    {p10::kBase64Failed, "P10_BASE64_FAILED", "the request could not be base64-encoded"},
    {p10::kSerialisePublicFailed, "P10_SERIALISE_PUBLIC_FAILED",
     "the public key object could not be built"},
    {p10::kSerialisePrivateFailed, "P10_SERIALISE_PRIVATE_FAILED",
     "the private key object could not be built"},
    {p10::kMaxFileSizeFailed, "P10_MAX_FILE_SIZE_FAILED", "the key's file size limit is unknown"},
    {p10::kCreatePublicFileFailed, "P10_CREATE_PUBLIC_FILE_FAILED",
     "the public key object's file was not created"},
    {p10::kWritePublicFileFailed, "P10_WRITE_PUBLIC_FILE_FAILED",
     "the public key object was not written"},
    {p10::kReadObjectIndexFailed, "P10_READ_OBJECT_INDEX_FAILED", "the object index was not read"},
    {p10::kObjectIndexFull, "P10_OBJECT_INDEX_FULL", "the object index is full"},
    {p10::kReadPrivateIndexFailed, "P10_READ_PRIVATE_INDEX_FAILED",
     "the private object index was not read"},
    {p10::kPrivateIndexFull, "P10_PRIVATE_INDEX_FULL", "the private object index is full"},
    {p10::kWriteObjectSlotFailed, "P10_WRITE_OBJECT_SLOT_FAILED",
     "the object index slot was not written"},
    {p10::kCreatePrivateFileFailed, "P10_CREATE_PRIVATE_FILE_FAILED",
     "the private key object's file was not created"},
    {p10::kWritePrivateFileFailed, "P10_WRITE_PRIVATE_FILE_FAILED",
     "the private key object was not written"},
    {p10::kWritePrivateSlotFailed, "P10_WRITE_PRIVATE_SLOT_FAILED",
     "the private object index slot was not written"},
    {p10::kFindContainerFailed, "P10_FIND_CONTAINER_FAILED", "the new container was not found"},
    {p10::kSetContainerRefsFailed, "P10_SET_CONTAINER_REFS_FAILED",
     "the container's key references were not written"},
    {store::kObjectTooLarge, "STORE_OBJECT_TOO_LARGE",
     "a key object is larger than the key accepts"},
    {store::kSizeMismatch, "STORE_BAD_MODULUS_LENGTH",
     "the new RSA modulus is not 128 or 256 bytes"},
    {store::kTemplateDefaultsFailed, "STORE_TEMPLATE_LOAD_FAILED",
     "the key object defaults could not be loaded"},
    {store::kTemplateSetFailed, "STORE_TEMPLATE_SET_FAILED",
     "a key object attribute could not be set"},
    {p10::kBadArgument, "P10_BAD_ARGUMENT", "a null pointer or a length below 1"},
};

namespace p7 = tool::pkcs7;
constexpr CodeInfo kWritePkcs7[] = {
    kOkInfo,
    {p7::kBadCertificate, "P7_BAD_CERTIFICATE", "an item is not the base64 of a certificate"},
    {p7::kNoCertificate, "P7_NO_CERTIFICATE", "the list holds no certificate"},
    {p7::kTooManyCertificates, "P7_TOO_MANY_CERTIFICATES", "the list holds six or more"},
    {p7::kReaderNotFound, "P7_READER_NOT_FOUND", "no attached key has the media id"},
    {p7::kOpenFailed, "P7_OPEN_FAILED", "the key could not be opened"},
    {p7::kLoginFailed, "P7_LOGIN_FAILED", "the PIN login failed"},
    {p7::kReadObjectIndexFailed, "P7_READ_OBJECT_INDEX_FAILED", "the object index was not read"},
    {p7::kReadContainerFailed, "P7_READ_CONTAINER_FAILED", "a container object was not read"},
    {p7::kParseContainerFailed, "P7_PARSE_CONTAINER_FAILED", "a container object is malformed"},
    {p7::kContainerClassMissing, "P7_CONTAINER_CLASS_MISSING", "a container object has no class"},
    {p7::kContainerClassWrong, "P7_CONTAINER_CLASS_WRONG", "a container slot holds another class"},
    {p7::kContainerNameMissing, "P7_CONTAINER_NAME_MISSING", "a container object has no name"},
    {p7::kContainerRefsBad, "P7_CONTAINER_REFS_BAD", "a container's references are malformed"},
    {p7::kStoreSignatureFailed, "P7_STORE_SIGNATURE_FAILED",
     "a signature key's certificate could not be stored"},
    {p7::kStoreSignatureRefsFailed, "P7_STORE_SIGNATURE_REFS_FAILED",
     "a signature key's container could not take the certificate's reference"},
    {p7::kStoreExchangeFailed, "P7_STORE_EXCHANGE_FAILED",
     "an exchange key's certificate could not be stored"},
    {p7::kStoreExchangeRefsFailed, "P7_STORE_EXCHANGE_REFS_FAILED",
     "an exchange key's container could not take the certificate's reference"},
    {p7::kCertificatesLeftOver, "P7_CERTIFICATES_LEFT_OVER",
     "a certificate matches no key on the key; those that matched are installed"},
    {p7::kBadReaderName, "P7_BAD_READER_NAME", "the key's reader name has no reader index"},
    {p7::kBadArgument, "P7_BAD_ARGUMENT", "a null pointer or a length below 1"},
};

constexpr CodeInfo kAllCertDn[] = {
    kOkInfo,
    {tool::kDeviceAccessFailed, "KQ_DEVICE_ACCESS_FAILED",
     "an attached key could not be opened, or its identity or object index not read"},
    {tool::kBufferTooSmall, "KQ_BUFFER_TOO_SMALL", "the buffer is too small; the size was stored"},
    {tool::kInvalidArgument, "KQ_INVALID_ARGUMENT", "the media id is not 12 characters"},
    {tool::kEnumerationFailed, "KQ_ENUMERATION_FAILED",
     "the device library is missing or the keys could not be listed"},
};

constexpr CodeInfo kDeleteTemp[] = {
    kOkInfo,
    {tool::kDeviceAccessFailed, "KQ_DELETE_FAILED",
     "a key operation, the login or a deletion failed or was cancelled"},
    {tool::deletion::kSubjectsLeft, "KQ_SUBJECTS_LEFT",
     "some subjects were not found; the count of deletions was stored"},
    {tool::kInvalidArgument, "KQ_INVALID_ARGUMENT", "the media id is not 12 characters"},
    {tool::kEnumerationFailed, "KQ_ENUMERATION_FAILED",
     "the device library is missing or the keys could not be listed"},
};

namespace sig = tool::signature;
constexpr CodeInfo kGetSignature[] = {
    kOkInfo,
    {sig::kNullArgument, "SIG_NULL_ARGUMENT", "a required pointer is null"},
    {sig::kDeviceHashRefused, "SIG_DEVICE_HASH_REFUSED", "the key refused to hash the message"},
    {sig::kBufferTooSmall, "SIG_BUFFER_TOO_SMALL", "a buffer is too small; both sizes stored"},
    {sig::kUnsupportedKey, "SIG_UNSUPPORTED_KEY", "the key's algorithm or usage is unknown"},
    {sig::kEmptyReaderName, "SIG_EMPTY_READER_NAME", "the first reader name is empty"},
    {sig::kCertificateNotFound, "SIG_CERTIFICATE_NOT_FOUND",
     "no key holds a certificate with the subject"},
    {sig::kNotTransactionMessage, "SIG_NOT_TRANSACTION_MESSAGE",
     "this key signs only transaction messages"},
    {sig::kEnumerationFailed, "SIG_ENUMERATION_OR_LOGIN_FAILED",
     "the keys could not be listed, or the PIN login failed"},
    {sig::kDeviceFailed, "SIG_DEVICE_OR_PIN_LOCKED", "the key failed, or the PIN is locked"},
    {sig::kBadHash, "SIG_BAD_HASH", "the hash is unknown or does not fit the key"},
    kCancelled,
};

// KQ_GetSignature's codes of two meanings, each meaning with the reason the export leaves in
// the thread's last error.
struct ReasonedCode {
  uint32_t reason;
  CodeInfo info;
};
constexpr ReasonedCode kGetSignatureReasons[] = {
    {sig::kReasonKeysNotListed,
     {sig::kEnumerationFailed, "SIG_ENUMERATION_FAILED", "the keys could not be listed"}},
    {sig::kReasonLoginFailed,
     {sig::kEnumerationFailed, "SIG_LOGIN_FAILED", "the PIN login failed"}},
    {sig::kReasonPinLocked, {sig::kDeviceFailed, "SIG_PIN_LOCKED", "the PIN is locked"}},
    {sig::kReasonKeyFailed, {sig::kDeviceFailed, "SIG_DEVICE_FAILED", "a key operation failed"}},
    {sig::kReasonKeyRemoved,
     {sig::kDeviceFailed, "SIG_KEY_REMOVED", "another key took the reader during the PIN entry"}},
};

constexpr CodeInfo kPubKeySignValue[] = {
    kOkInfo,
    {tool::kNoDevice, "KQ_NO_DEVICE", "no key attached"},
    {tool::kPublicKeyNotFound, "KQ_PUBLIC_KEY_NOT_FOUND", "a listed public key is not on the key"},
    {tool::kBufferTooSmall, "KQ_BUFFER_TOO_SMALL", "the buffer is too small; the size was stored"},
    {tool::kMediaIdNotFound, "KQ_MEDIA_ID_NOT_FOUND", "no attached key has the media id"},
    {tool::kInvalidArgument, "KQ_INVALID_ARGUMENT", "a null pointer or a wrong length"},
    {tool::kEnumerationFailed, "KQ_ENUMERATION_FAILED",
     "the device library is missing or the keys could not be listed"},
    {tool::kMalformedData, "KQ_MALFORMED_DATA", "the public-key list is malformed"},
    {tool::kNotSupported, "KQ_NOT_SUPPORTED", "the key does not compute the value"},
};

constexpr CodeInfo kIdValue[] = {
    kOkInfo,
    {tool::kNoDevice, "KQ_NO_DEVICE", "no key attached"},
    {tool::kBufferTooSmall, "KQ_BUFFER_TOO_SMALL", "the buffer is too small for the data"},
    {tool::kMediaIdNotFound, "KQ_MEDIA_ID_NOT_FOUND", "no attached key has the media id"},
    {tool::kInvalidArgument, "KQ_INVALID_ARGUMENT", "a null pointer or a wrong length"},
    {tool::kEnumerationFailed, "KQ_ENUMERATION_FAILED",
     "the device library is missing or the keys could not be listed"},
    {tool::kDeviceOperationFailed, "KQ_DEVICE_OPERATION_FAILED", "the data could not be read"},
};

namespace tbl = tool::table;
constexpr CodeInfo kFunctionTable[] = {
    {tbl::kOk, "FT_OK", "success"},
    {tbl::kNullArgument, "FT_NULL_ARGUMENT",
     "a required pointer is null or the media id is not 12 characters"},
    {tbl::kDataTooLong, "FT_DATA_TOO_LONG", "the data is longer than 32 bytes"},
    {tbl::kBufferTooSmall, "FT_BUFFER_TOO_SMALL", "a buffer is too small; the size was stored"},
    {tbl::kOpenFailed, "FT_OPEN_FAILED", "the reader could not be opened"},
    {tbl::kDeviceFailed, "FT_DEVICE_FAILED", "a key operation failed"},
    {tbl::kWrongMediaId, "FT_WRONG_MEDIA_ID", "the reader's key has another media id"},
    {tbl::kShortWrite, "FT_SHORT_WRITE", "fewer than 32 bytes were written"},
};

struct ExportTable {
  std::string_view name;
  std::span<const CodeInfo> codes;
};

constexpr ExportTable kByExport[] = {
    {"KQ_CheckDevice", kCheck},
    {"KQ_CheckWorkStatus", kCheck},
    {"KQ_CheckDriver", kCheck},
    {"KQ_CheckCSP", kCheck},
    {"KQ_GetListNum", kListNum},
    {"KQ_GetMediaID", kMediaId},
    {"KQ_GetDeviceSN", kDeviceSn},
    {"KQ_GetCSPName", kCspNameBySubject},
    {"KQ_CSPName", kCspName},
    {"KQ_InitCard", kInitCard},
    {"KQ_ChangePIN", kChangePin},
    {"KQ_CreatePKCS10", kCreatePkcs10},
    {"KQ_WritePKCS7", kWritePkcs7},
    {"KQ_GetAllCertDN", kAllCertDn},
    {"KQ_DeleteTempKeyOrCert", kDeleteTemp},
    {"KQ_GetSignature", kGetSignature},
    {"KQ_GetPubKeySignValue", kPubKeySignValue},
    {"KQ_GetIDValue", kIdValue},
    {"GetFunctionList", kFunctionTable},
    {"EnumDevices", kFunctionTable},
    {"GetDeviceIdentity", kFunctionTable},
    {"ReadUserData", kFunctionTable},
    {"WriteUserData", kFunctionTable},
    {"GetContainerNames", kFunctionTable},
    {"GetContainerCertificates", kFunctionTable},
    {"GetPinInfo", kFunctionTable},
    {"GetDeviceInfo", kFunctionTable},
    {"CleanPinStatus", kFunctionTable},
    {"SetDeviceLanguage", kFunctionTable},
};

}  // namespace

std::span<const CodeInfo> ToolSharedCodes() {
  return kShared;
}

std::span<const CodeInfo> ToolExportCodes(std::string_view exportName) {
  for (const ExportTable& entry : kByExport) {
    if (entry.name == exportName) {
      return entry.codes;
    }
  }
  return {};
}

const CodeInfo* ToolCodeForReason(std::string_view exportName, uint32_t code, uint32_t reason) {
  if (exportName != "KQ_GetSignature") {
    return nullptr;
  }
  for (const ReasonedCode& entry : kGetSignatureReasons) {
    if (entry.info.code == code && entry.reason == reason) {
      return &entry.info;
    }
  }
  return nullptr;
}

}  // namespace kq::detail
