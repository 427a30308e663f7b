#pragma once
/* kqcsp: the public C interface of the provider library "KQCSP For ORV v2.0".
 *
 * The CryptoAPI entry points keep CryptoAPI's calling signatures with fixed-width types:
 * HCRYPTPROV, HCRYPTKEY and HCRYPTHASH are pointer-sized (KqHandle), DWORD and ALG_ID are 32-bit,
 * BOOL is int, and szDescription is a UTF-16 string on Windows. Results: TRUE or FALSE, with the
 * reason in the thread's last error (GetLastError; on Linux the library exports its own
 * SetLastError and GetLastError). The bank tool exports (KQ_*) and GetFunctionList follow. */

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uintptr_t KqHandle;
typedef int KqBool;

/* CryptoAPI provider entry points. */
KqBool CPAcquireContext(KqHandle* phProv, const char* pszContainer, uint32_t dwFlags,
                        void* pVTable);
KqBool CPReleaseContext(KqHandle hProv, uint32_t dwFlags);
KqBool CPGenKey(KqHandle hProv, uint32_t Algid, uint32_t dwFlags, KqHandle* phKey);
KqBool CPDeriveKey(KqHandle hProv, uint32_t Algid, KqHandle hBaseData, uint32_t dwFlags,
                   KqHandle* phKey);
KqBool CPDestroyKey(KqHandle hProv, KqHandle hKey);
KqBool CPSetKeyParam(KqHandle hProv, KqHandle hKey, uint32_t dwParam, const uint8_t* pbData,
                     uint32_t dwFlags);
KqBool CPGetKeyParam(KqHandle hProv, KqHandle hKey, uint32_t dwParam, uint8_t* pbData,
                     uint32_t* pcbDataLen, uint32_t dwFlags);
KqBool CPExportKey(KqHandle hProv, KqHandle hKey, KqHandle hPubKey, uint32_t dwBlobType,
                   uint32_t dwFlags, uint8_t* pbData, uint32_t* pcbDataLen);
KqBool CPImportKey(KqHandle hProv, const uint8_t* pbData, uint32_t cbDataLen, KqHandle hPubKey,
                   uint32_t dwFlags, KqHandle* phKey);
KqBool CPEncrypt(KqHandle hProv, KqHandle hKey, KqHandle hHash, KqBool fFinal, uint32_t dwFlags,
                 uint8_t* pbData, uint32_t* pcbDataLen, uint32_t cbBufLen);
KqBool CPDecrypt(KqHandle hProv, KqHandle hKey, KqHandle hHash, KqBool fFinal, uint32_t dwFlags,
                 uint8_t* pbData, uint32_t* pcbDataLen);
KqBool CPCreateHash(KqHandle hProv, uint32_t Algid, KqHandle hKey, uint32_t dwFlags,
                    KqHandle* phHash);
KqBool CPHashData(KqHandle hProv, KqHandle hHash, const uint8_t* pbData, uint32_t cbDataLen,
                  uint32_t dwFlags);
KqBool CPHashSessionKey(KqHandle hProv, KqHandle hHash, KqHandle hKey, uint32_t dwFlags);
KqBool CPDestroyHash(KqHandle hProv, KqHandle hHash);
KqBool CPSignHash(KqHandle hProv, KqHandle hHash, uint32_t dwKeySpec, const wchar_t* szDescription,
                  uint32_t dwFlags, uint8_t* pbSignature, uint32_t* pcbSigLen);
KqBool CPVerifySignature(KqHandle hProv, KqHandle hHash, const uint8_t* pbSignature,
                         uint32_t cbSigLen, KqHandle hPubKey, const wchar_t* szDescription,
                         uint32_t dwFlags);
KqBool CPGenRandom(KqHandle hProv, uint32_t dwLen, uint8_t* pbBuffer);
KqBool CPGetUserKey(KqHandle hProv, uint32_t dwKeySpec, KqHandle* phUserKey);
KqBool CPSetProvParam(KqHandle hProv, uint32_t dwParam, const uint8_t* pbData, uint32_t dwFlags);
KqBool CPGetProvParam(KqHandle hProv, uint32_t dwParam, uint8_t* pbData, uint32_t* pcbDataLen,
                      uint32_t dwFlags);
KqBool CPSetHashParam(KqHandle hProv, KqHandle hHash, uint32_t dwParam, const uint8_t* pbData,
                      uint32_t dwFlags);
KqBool CPGetHashParam(KqHandle hProv, KqHandle hHash, uint32_t dwParam, uint8_t* pbData,
                      uint32_t* pcbDataLen, uint32_t dwFlags);
KqBool CPDuplicateKey(KqHandle hUID, KqHandle hKey, uint32_t* pdwReserved, uint32_t dwFlags,
                      KqHandle* phKey);
KqBool CPDuplicateHash(KqHandle hUID, KqHandle hHash, uint32_t* pdwReserved, uint32_t dwFlags,
                       KqHandle* phHash);

#if !defined(_WIN32)
/* The last error of the calling thread, as on Windows (kernel32 has these there). */
uint32_t GetLastError(void);
void SetLastError(uint32_t code);
#endif

/* Bank tool exports: see the KQ_ section below. */
/* KQ_EXPORTS_BEGIN */
/* KQ_EXPORTS_END */

#ifdef __cplusplus
} /* extern "C" */
#endif
