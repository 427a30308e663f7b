// Placeholder entry points until the provider frame lands: every call fails with E_NOTIMPL.
#include "kqcsp.h"
#include "platform/last_error.h"

namespace {
KqBool NotYet() {
  kq::platform::SetLastErrorCode(0x80004001);
  return 0;
}
}  // namespace

extern "C" {
KqBool CPAcquireContext(KqHandle* phProv, const char* pszContainer, uint32_t dwFlags,
                        void* pVTable) {
  (void)phProv;
  (void)pszContainer;
  (void)dwFlags;
  (void)pVTable;
  return NotYet();
}
KqBool CPReleaseContext(KqHandle hProv, uint32_t dwFlags) {
  (void)hProv;
  (void)dwFlags;
  return NotYet();
}
KqBool CPGenKey(KqHandle hProv, uint32_t Algid, uint32_t dwFlags, KqHandle* phKey) {
  (void)hProv;
  (void)Algid;
  (void)dwFlags;
  (void)phKey;
  return NotYet();
}
KqBool CPDeriveKey(KqHandle hProv, uint32_t Algid, KqHandle hBaseData, uint32_t dwFlags,
                   KqHandle* phKey) {
  (void)hProv;
  (void)Algid;
  (void)hBaseData;
  (void)dwFlags;
  (void)phKey;
  return NotYet();
}
KqBool CPDestroyKey(KqHandle hProv, KqHandle hKey) {
  (void)hProv;
  (void)hKey;
  return NotYet();
}
KqBool CPSetKeyParam(KqHandle hProv, KqHandle hKey, uint32_t dwParam, const uint8_t* pbData,
                     uint32_t dwFlags) {
  (void)hProv;
  (void)hKey;
  (void)dwParam;
  (void)pbData;
  (void)dwFlags;
  return NotYet();
}
KqBool CPGetKeyParam(KqHandle hProv, KqHandle hKey, uint32_t dwParam, uint8_t* pbData,
                     uint32_t* pcbDataLen, uint32_t dwFlags) {
  (void)hProv;
  (void)hKey;
  (void)dwParam;
  (void)pbData;
  (void)pcbDataLen;
  (void)dwFlags;
  return NotYet();
}
KqBool CPExportKey(KqHandle hProv, KqHandle hKey, KqHandle hPubKey, uint32_t dwBlobType,
                   uint32_t dwFlags, uint8_t* pbData, uint32_t* pcbDataLen) {
  (void)hProv;
  (void)hKey;
  (void)hPubKey;
  (void)dwBlobType;
  (void)dwFlags;
  (void)pbData;
  (void)pcbDataLen;
  return NotYet();
}
KqBool CPImportKey(KqHandle hProv, const uint8_t* pbData, uint32_t cbDataLen, KqHandle hPubKey,
                   uint32_t dwFlags, KqHandle* phKey) {
  (void)hProv;
  (void)pbData;
  (void)cbDataLen;
  (void)hPubKey;
  (void)dwFlags;
  (void)phKey;
  return NotYet();
}
KqBool CPEncrypt(KqHandle hProv, KqHandle hKey, KqHandle hHash, KqBool fFinal, uint32_t dwFlags,
                 uint8_t* pbData, uint32_t* pcbDataLen, uint32_t cbBufLen) {
  (void)hProv;
  (void)hKey;
  (void)hHash;
  (void)fFinal;
  (void)dwFlags;
  (void)pbData;
  (void)pcbDataLen;
  (void)cbBufLen;
  return NotYet();
}
KqBool CPDecrypt(KqHandle hProv, KqHandle hKey, KqHandle hHash, KqBool fFinal, uint32_t dwFlags,
                 uint8_t* pbData, uint32_t* pcbDataLen) {
  (void)hProv;
  (void)hKey;
  (void)hHash;
  (void)fFinal;
  (void)dwFlags;
  (void)pbData;
  (void)pcbDataLen;
  return NotYet();
}
KqBool CPCreateHash(KqHandle hProv, uint32_t Algid, KqHandle hKey, uint32_t dwFlags,
                    KqHandle* phHash) {
  (void)hProv;
  (void)Algid;
  (void)hKey;
  (void)dwFlags;
  (void)phHash;
  return NotYet();
}
KqBool CPHashData(KqHandle hProv, KqHandle hHash, const uint8_t* pbData, uint32_t cbDataLen,
                  uint32_t dwFlags) {
  (void)hProv;
  (void)hHash;
  (void)pbData;
  (void)cbDataLen;
  (void)dwFlags;
  return NotYet();
}
KqBool CPHashSessionKey(KqHandle hProv, KqHandle hHash, KqHandle hKey, uint32_t dwFlags) {
  (void)hProv;
  (void)hHash;
  (void)hKey;
  (void)dwFlags;
  return NotYet();
}
KqBool CPDestroyHash(KqHandle hProv, KqHandle hHash) {
  (void)hProv;
  (void)hHash;
  return NotYet();
}
KqBool CPSignHash(KqHandle hProv, KqHandle hHash, uint32_t dwKeySpec, const wchar_t* szDescription,
                  uint32_t dwFlags, uint8_t* pbSignature, uint32_t* pcbSigLen) {
  (void)hProv;
  (void)hHash;
  (void)dwKeySpec;
  (void)szDescription;
  (void)dwFlags;
  (void)pbSignature;
  (void)pcbSigLen;
  return NotYet();
}
KqBool CPVerifySignature(KqHandle hProv, KqHandle hHash, const uint8_t* pbSignature,
                         uint32_t cbSigLen, KqHandle hPubKey, const wchar_t* szDescription,
                         uint32_t dwFlags) {
  (void)hProv;
  (void)hHash;
  (void)pbSignature;
  (void)cbSigLen;
  (void)hPubKey;
  (void)szDescription;
  (void)dwFlags;
  return NotYet();
}
KqBool CPGenRandom(KqHandle hProv, uint32_t dwLen, uint8_t* pbBuffer) {
  (void)hProv;
  (void)dwLen;
  (void)pbBuffer;
  return NotYet();
}
KqBool CPGetUserKey(KqHandle hProv, uint32_t dwKeySpec, KqHandle* phUserKey) {
  (void)hProv;
  (void)dwKeySpec;
  (void)phUserKey;
  return NotYet();
}
KqBool CPSetProvParam(KqHandle hProv, uint32_t dwParam, const uint8_t* pbData, uint32_t dwFlags) {
  (void)hProv;
  (void)dwParam;
  (void)pbData;
  (void)dwFlags;
  return NotYet();
}
KqBool CPGetProvParam(KqHandle hProv, uint32_t dwParam, uint8_t* pbData, uint32_t* pcbDataLen,
                      uint32_t dwFlags) {
  (void)hProv;
  (void)dwParam;
  (void)pbData;
  (void)pcbDataLen;
  (void)dwFlags;
  return NotYet();
}
KqBool CPSetHashParam(KqHandle hProv, KqHandle hHash, uint32_t dwParam, const uint8_t* pbData,
                      uint32_t dwFlags) {
  (void)hProv;
  (void)hHash;
  (void)dwParam;
  (void)pbData;
  (void)dwFlags;
  return NotYet();
}
KqBool CPGetHashParam(KqHandle hProv, KqHandle hHash, uint32_t dwParam, uint8_t* pbData,
                      uint32_t* pcbDataLen, uint32_t dwFlags) {
  (void)hProv;
  (void)hHash;
  (void)dwParam;
  (void)pbData;
  (void)pcbDataLen;
  (void)dwFlags;
  return NotYet();
}
KqBool CPDuplicateKey(KqHandle hUID, KqHandle hKey, uint32_t* pdwReserved, uint32_t dwFlags,
                      KqHandle* phKey) {
  (void)hUID;
  (void)hKey;
  (void)pdwReserved;
  (void)dwFlags;
  (void)phKey;
  return NotYet();
}
KqBool CPDuplicateHash(KqHandle hUID, KqHandle hHash, uint32_t* pdwReserved, uint32_t dwFlags,
                       KqHandle* phHash) {
  (void)hUID;
  (void)hHash;
  (void)pdwReserved;
  (void)dwFlags;
  (void)phHash;
  return NotYet();
}
}  // extern "C"
