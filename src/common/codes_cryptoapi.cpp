#include "common/codes_cryptoapi.h"
#include "common/code_tables.h"
#include "common/codes_device.h"

namespace kq::detail {

namespace {
constexpr CodeInfo kCryptoApi[] = {
    {win::kSuccess, "ERROR_SUCCESS", "the operation succeeded"},
    {win::kErrorInvalidHandle, "ERROR_INVALID_HANDLE", "the handle is not valid"},
    {win::kErrorNotEnoughMemory, "ERROR_NOT_ENOUGH_MEMORY", "not enough memory"},
    {win::kErrorInvalidParameter, "ERROR_INVALID_PARAMETER", "a parameter is not valid"},
    {win::kErrorBusy, "ERROR_BUSY", "another call is using the same hash at this moment"},
    {win::kErrorMoreData, "ERROR_MORE_DATA", "the buffer is too small; the needed size was stored"},
    {win::kErrorNoMoreItems, "ERROR_NO_MORE_ITEMS", "the enumeration has no more items"},
    {win::kENotImpl, "E_NOTIMPL", "the provider does not implement this entry point"},
    {win::kNteBadUid, "NTE_BAD_UID", "the provider handle is not registered"},
    {win::kNteBadHash, "NTE_BAD_HASH", "the hash handle is not valid"},
    {win::kNteBadKey, "NTE_BAD_KEY", "the key handle is not valid"},
    {win::kNteBadLen, "NTE_BAD_LEN", "a length is not valid"},
    {win::kNteBadData, "NTE_BAD_DATA", "the data is not valid"},
    {win::kNteBadSignature, "NTE_BAD_SIGNATURE", "the signature does not verify"},
    {win::kNteBadVer, "NTE_BAD_VER", "the blob version is not supported"},
    {win::kNteBadAlgId, "NTE_BAD_ALGID", "the algorithm is not supported"},
    {win::kNteBadFlags, "NTE_BAD_FLAGS", "the flags are not valid"},
    {win::kNteBadType, "NTE_BAD_TYPE", "the type or parameter number is not supported"},
    {win::kNteBadHashState, "NTE_BAD_HASH_STATE", "the hash is already finished"},
    {win::kNteNoKey, "NTE_NO_KEY", "the container holds no such key"},
    {win::kNteExists, "NTE_EXISTS", "the container already exists"},
    {win::kNteBadPublicKey, "NTE_BAD_PUBLIC_KEY", "the public key is not valid"},
    {win::kNteBadKeyset, "NTE_BAD_KEYSET", "the key container does not exist or cannot be opened"},
    {win::kNteBadKeysetParam, "NTE_BAD_KEYSET_PARAM", "the container name or flags are not valid"},
    {win::kNteFail, "NTE_FAIL", "the operation failed"},
    {win::kNteSilentContext, "NTE_SILENT_CONTEXT", "the context is silent and would need a window"},
    {win::kNteInvalidParameter, "NTE_INVALID_PARAMETER", "a parameter is not valid"},
    {win::kSecIllegalMessage, "SEC_E_ILLEGAL_MESSAGE", "the key refused the message to sign"},
    {win::kScardInvalidParameter, "SCARD_E_INVALID_PARAMETER", "a parameter is not valid"},
    {win::kScardTimeout, "SCARD_E_TIMEOUT", "the key's button was not pressed in time"},
    {win::kScardInvalidChv, "SCARD_E_INVALID_CHV", "the PIN is not valid"},
    {win::kScardNoReadersAvailable, "SCARD_E_NO_READERS_AVAILABLE",
     "no key is attached, or the keys could not be listed"},
    {win::kScardRemovedCard, "SCARD_W_REMOVED_CARD",
     "the context's key was removed or replaced, or could not be reached after the login"},
    {win::kScardWrongChv, "SCARD_W_WRONG_CHV", "the PIN is wrong"},
    {win::kScardChvBlocked, "SCARD_W_CHV_BLOCKED", "the PIN is locked"},
    {win::kScardCancelledByUser, "SCARD_W_CANCELLED_BY_USER", "the user cancelled"},
    {win::kScardCardNotAuthenticated, "SCARD_W_CARD_NOT_AUTHENTICATED", "the login failed"},
};

constexpr CodeInfo kDevice[] = {
    {dev::kOk, "SW_OK", "success"},
    {dev::kMissingOperation, "ZANT_MISSING", "the device library or the operation is missing"},
    {dev::kKeyLockUnavailable, "ZANT_KEY_LOCK_UNAVAILABLE",
     "the lock that orders the key's users cannot be taken in a folder safely ours"},
    {dev::kKeyReplaced, "ZANT_KEY_REPLACED",
     "another key than the one chosen is in the reader, or the chosen key is gone"},
    {dev::kBufferTooSmallBir, "ZANT_BIR_BUFFER", "the buffer is too small for the certificate"},
    {0x6100, "SW_WAIT_BUTTON", "the key waits for its button"},
    {0x6300, "SW_WRONG_PIN", "wrong PIN; the low nibble is the tries left"},
    {dev::kSwEndOfFile, "SW_END_OF_FILE", "the file ended before the length asked"},
    {dev::kSwMemoryFailure, "SW_MEMORY_FAILURE", "the key could not store a change"},
    {dev::kSwWrongLength, "SW_WRONG_LENGTH", "wrong length"},
    {dev::kSwSecurityNotSatisfied, "SW_SECURITY_NOT_SATISFIED", "the PIN has not been verified"},
    {dev::kSwPinLocked, "SW_PIN_LOCKED", "the PIN is locked"},
    {dev::kSwConditionsNotSatisfied, "SW_CONDITIONS_NOT_SATISFIED",
     "conditions of use not satisfied"},
    {dev::kSwUsageRefused, "SW_USAGE_REFUSED",
     "the key signs with a transaction key only a transaction confirmed on the key"},
    {dev::kSwWrongData, "SW_WRONG_DATA", "the data is not valid"},
    {dev::kSwFunctionNotSupported, "SW_FUNCTION_NOT_SUPPORTED",
     "the key does not support the operation"},
    {dev::kSwFileNotFound, "SW_FILE_NOT_FOUND", "no such file"},
    {dev::kSwNotEnoughMemory, "SW_NOT_ENOUGH_MEMORY", "not enough memory on the key"},
    {dev::kSwIncorrectP1P2, "SW_INCORRECT_P1P2", "a parameter is not valid"},
    {dev::kSwKeyNotFound, "SW_KEY_NOT_FOUND", "no such key pair"},
    {dev::kSwFileExists, "SW_FILE_EXISTS", "the file already exists"},
    {dev::kSwWrongOffset, "SW_WRONG_OFFSET", "the offset lies outside the file"},
    {dev::kSwMessageBadParameter, "SW_MESSAGE_BAD_PARAMETER",
     "the key refused the transaction message: a parameter is not valid"},
    {dev::kSwMessageIllegal, "SW_MESSAGE_ILLEGAL",
     "the key refused the transaction message as malformed"},
    {dev::kSwMessageBadData, "SW_MESSAGE_BAD_DATA",
     "the key refused the transaction message's data"},
    {dev::kSwMessageBadLength, "SW_MESSAGE_BAD_LENGTH",
     "the key refused to hash the transaction message: its length"},
    {dev::kSwInsNotSupported, "SW_INS_NOT_SUPPORTED", "the operation is not supported"},
    {dev::kSwUnknown, "SW_UNKNOWN", "the key failed"},
    {dev::kSwInvalidHandle, "SW_INVALID_HANDLE", "the handle is closed or unknown"},
    {dev::kSwNoSuchReader, "SW_NO_SUCH_READER", "no key is attached under that reader name"},
};

constexpr CodeInfo kPinEntry[] = {
    {pinentry::kOk, "UI_OK", "the PIN was verified"},
    {pinentry::kUnavailable, "UI_UNAVAILABLE", "PIN entry is unavailable"},
    {pinentry::kCancelled, "UI_CANCELLED", "the user cancelled PIN entry"},
    {pinentry::kEndedOnKey1, "UI_ENDED_ON_KEY", "PIN entry ended on the key without a verdict"},
    {pinentry::kEndedOnKey2, "UI_ENDED_ON_KEY", "PIN entry ended on the key without a verdict"},
    {pinentry::kEndedOnKey3, "UI_ENDED_ON_KEY", "PIN entry ended on the key without a verdict"},
    {pinentry::kLocked, "UI_PIN_LOCKED", "the PIN is locked"},
};
}  // namespace

std::span<const CodeInfo> CryptoApiCodes() {
  return kCryptoApi;
}
std::span<const CodeInfo> DeviceCodes() {
  return kDevice;
}
std::span<const CodeInfo> PinEntryCodes() {
  return kPinEntry;
}

}  // namespace kq::detail
