#pragma once
// The CryptoAPI provider entry points, each with the frame of the provider around it. The
// library's exported CP* functions hand over to these.

#include <cstdint>

#include "kqcsp.h"

namespace kq::provider {

KqBool AcquireContext(KqHandle* phProv, const char* pszContainer, uint32_t dwFlags);
KqBool ReleaseContext(KqHandle hProv);

KqBool GenKey(KqHandle hProv, uint32_t algId, uint32_t dwFlags, KqHandle* phKey);
KqBool GetUserKey(KqHandle hProv, uint32_t dwKeySpec, KqHandle* phUserKey);
KqBool DestroyKey(KqHandle hProv, KqHandle hKey);
KqBool SetKeyParam(KqHandle hProv, KqHandle hKey, uint32_t dwParam, const uint8_t* pbData,
                   uint32_t dwFlags);
KqBool GetKeyParam(KqHandle hProv, KqHandle hKey, uint32_t dwParam, uint8_t* pbData,
                   uint32_t* pcbDataLen, uint32_t dwFlags);
KqBool ExportKey(KqHandle hProv, KqHandle hKey, KqHandle hPubKey, uint32_t dwBlobType,
                 uint32_t dwFlags, uint8_t* pbData, uint32_t* pcbDataLen);
KqBool ImportKey(KqHandle hProv, const uint8_t* pbData, uint32_t cbDataLen, KqHandle hPubKey,
                 uint32_t dwFlags, KqHandle* phKey);

KqBool CreateHash(KqHandle hProv, uint32_t algId, KqHandle hKey, uint32_t dwFlags,
                  KqHandle* phHash);
KqBool HashData(KqHandle hProv, KqHandle hHash, const uint8_t* pbData, uint32_t cbDataLen);
KqBool SetHashParam(KqHandle hProv, KqHandle hHash, uint32_t dwParam, const uint8_t* pbData,
                    uint32_t dwFlags);
KqBool GetHashParam(KqHandle hProv, KqHandle hHash, uint32_t dwParam, uint8_t* pbData,
                    uint32_t* pcbDataLen, uint32_t dwFlags);
KqBool DestroyHash(KqHandle hProv, KqHandle hHash);
KqBool SignHash(KqHandle hProv, KqHandle hHash, uint32_t dwKeySpec, uint32_t dwFlags,
                uint8_t* pbSignature, uint32_t* pcbSigLen);
KqBool VerifySignature(KqHandle hProv, KqHandle hHash, const uint8_t* pbSignature,
                       uint32_t cbSigLen, KqHandle hPubKey);
KqBool GenRandom(KqHandle hProv, uint32_t dwLen, uint8_t* pbBuffer);

KqBool SetProvParam(KqHandle hProv, uint32_t dwParam, const uint8_t* pbData, uint32_t dwFlags);
KqBool GetProvParam(KqHandle hProv, uint32_t dwParam, uint8_t* pbData, uint32_t* pcbDataLen,
                    uint32_t dwFlags);

// The entry shared by the operations the provider does not implement (encryption, decryption,
// key derivation, duplication, hashing a session key): E_NOTIMPL on a registered handle.
KqBool NotImplemented(KqHandle hProv);

}  // namespace kq::provider
