// The 25 CryptoAPI provider entry points. Each is a thin exported function that hands over to the
// provider, which runs the common frame (clear the result, find the context, set the last error).
#include "kqcsp.h"
#include "provider/entry_points.h"

namespace provider = kq::provider;

extern "C" {

// Opens, creates or deletes a key container, or makes a verify context; issues a provider handle.
KqBool KQ_CPAPI CPAcquireContext(KqHandle* phProv, const char* pszContainer, uint32_t dwFlags,
                                 void* /*pVTable*/) {
  return provider::AcquireContext(phProv, pszContainer, dwFlags);
}

// Releases a provider handle with every key and hash object it holds.
KqBool KQ_CPAPI CPReleaseContext(KqHandle hProv, uint32_t /*dwFlags*/) {
  return provider::ReleaseContext(hProv);
}

// Generates a key pair on the key in the context's container.
KqBool KQ_CPAPI CPGenKey(KqHandle hProv, uint32_t Algid, uint32_t dwFlags, KqHandle* phKey) {
  return provider::GenKey(hProv, Algid, dwFlags, phKey);
}

// Key derivation is not offered: E_NOTIMPL.
KqBool KQ_CPAPI CPDeriveKey(KqHandle hProv, uint32_t /*Algid*/, KqHandle /*hBaseData*/,
                            uint32_t /*dwFlags*/, KqHandle* /*phKey*/) {
  return provider::NotImplemented(hProv);
}

// Destroys an imported public key's handle; other keys stay.
KqBool KQ_CPAPI CPDestroyKey(KqHandle hProv, KqHandle hKey) {
  return provider::DestroyKey(hProv, hKey);
}

// Sets a key parameter, the container's certificate included.
KqBool KQ_CPAPI CPSetKeyParam(KqHandle hProv, KqHandle hKey, uint32_t dwParam,
                              const uint8_t* pbData, uint32_t dwFlags) {
  return provider::SetKeyParam(hProv, hKey, dwParam, pbData, dwFlags);
}

// Reads a key parameter, the container's certificate included.
KqBool KQ_CPAPI CPGetKeyParam(KqHandle hProv, KqHandle hKey, uint32_t dwParam, uint8_t* pbData,
                              uint32_t* pcbDataLen, uint32_t dwFlags) {
  return provider::GetKeyParam(hProv, hKey, dwParam, pbData, pcbDataLen, dwFlags);
}

// Exports the public key of a pair on the key as a PUBLICKEYBLOB.
KqBool KQ_CPAPI CPExportKey(KqHandle hProv, KqHandle hKey, KqHandle hPubKey, uint32_t dwBlobType,
                            uint32_t dwFlags, uint8_t* pbData, uint32_t* pcbDataLen) {
  return provider::ExportKey(hProv, hKey, hPubKey, dwBlobType, dwFlags, pbData, pcbDataLen);
}

// Imports a public key or a plain symmetric key.
KqBool KQ_CPAPI CPImportKey(KqHandle hProv, const uint8_t* pbData, uint32_t cbDataLen,
                            KqHandle hPubKey, uint32_t dwFlags, KqHandle* phKey) {
  return provider::ImportKey(hProv, pbData, cbDataLen, hPubKey, dwFlags, phKey);
}

// Encryption is not offered: E_NOTIMPL, the data untouched.
KqBool KQ_CPAPI CPEncrypt(KqHandle hProv, KqHandle /*hKey*/, KqHandle /*hHash*/, KqBool /*fFinal*/,
                          uint32_t /*dwFlags*/, uint8_t* /*pbData*/, uint32_t* /*pcbDataLen*/,
                          uint32_t /*cbBufLen*/) {
  return provider::NotImplemented(hProv);
}

// Decryption is not offered: E_NOTIMPL, the data untouched.
KqBool KQ_CPAPI CPDecrypt(KqHandle hProv, KqHandle /*hKey*/, KqHandle /*hHash*/, KqBool /*fFinal*/,
                          uint32_t /*dwFlags*/, uint8_t* /*pbData*/, uint32_t* /*pcbDataLen*/) {
  return provider::NotImplemented(hProv);
}

// Creates a hash object for one of the provider's hash algorithms.
KqBool KQ_CPAPI CPCreateHash(KqHandle hProv, uint32_t Algid, KqHandle hKey, uint32_t dwFlags,
                             KqHandle* phHash) {
  return provider::CreateHash(hProv, Algid, hKey, dwFlags, phHash);
}

// Feeds data to a hash object.
KqBool KQ_CPAPI CPHashData(KqHandle hProv, KqHandle hHash, const uint8_t* pbData,
                           uint32_t cbDataLen, uint32_t /*dwFlags*/) {
  return provider::HashData(hProv, hHash, pbData, cbDataLen);
}

// Hashing a session key is not offered: E_NOTIMPL.
KqBool KQ_CPAPI CPHashSessionKey(KqHandle hProv, KqHandle /*hHash*/, KqHandle /*hKey*/,
                                 uint32_t /*dwFlags*/) {
  return provider::NotImplemented(hProv);
}

// Destroys a hash object.
KqBool KQ_CPAPI CPDestroyHash(KqHandle hProv, KqHandle hHash) {
  return provider::DestroyHash(hProv, hHash);
}

// Has the key sign a hash (or a transaction message) with the container's private key.
KqBool KQ_CPAPI CPSignHash(KqHandle hProv, KqHandle hHash, uint32_t dwKeySpec,
                           const wchar_t* /*szDescription*/, uint32_t dwFlags, uint8_t* pbSignature,
                           uint32_t* pcbSigLen) {
  return provider::SignHash(hProv, hHash, dwKeySpec, dwFlags, pbSignature, pcbSigLen);
}

// Verifies an RSA signature over a hash on the host.
KqBool KQ_CPAPI CPVerifySignature(KqHandle hProv, KqHandle hHash, const uint8_t* pbSignature,
                                  uint32_t cbSigLen, KqHandle hPubKey,
                                  const wchar_t* /*szDescription*/, uint32_t /*dwFlags*/) {
  return provider::VerifySignature(hProv, hHash, pbSignature, cbSigLen, hPubKey);
}

// Fills a buffer with random bytes.
KqBool KQ_CPAPI CPGenRandom(KqHandle hProv, uint32_t dwLen, uint8_t* pbBuffer) {
  return provider::GenRandom(hProv, dwLen, pbBuffer);
}

// Opens the signature or exchange pair of the context's container.
KqBool KQ_CPAPI CPGetUserKey(KqHandle hProv, uint32_t dwKeySpec, KqHandle* phUserKey) {
  return provider::GetUserKey(hProv, dwKeySpec, phUserKey);
}

// Sets a provider parameter: the user PIN.
KqBool KQ_CPAPI CPSetProvParam(KqHandle hProv, uint32_t dwParam, const uint8_t* pbData,
                               uint32_t dwFlags) {
  return provider::SetProvParam(hProv, dwParam, pbData, dwFlags);
}

// Reads a provider parameter: name, version, algorithms, containers, reader.
KqBool KQ_CPAPI CPGetProvParam(KqHandle hProv, uint32_t dwParam, uint8_t* pbData,
                               uint32_t* pcbDataLen, uint32_t dwFlags) {
  return provider::GetProvParam(hProv, dwParam, pbData, pcbDataLen, dwFlags);
}

// Sets a hash value from outside (HP_HASHVAL).
KqBool KQ_CPAPI CPSetHashParam(KqHandle hProv, KqHandle hHash, uint32_t dwParam,
                               const uint8_t* pbData, uint32_t dwFlags) {
  return provider::SetHashParam(hProv, hHash, dwParam, pbData, dwFlags);
}

// Reads a hash parameter: algorithm, size, value.
KqBool KQ_CPAPI CPGetHashParam(KqHandle hProv, KqHandle hHash, uint32_t dwParam, uint8_t* pbData,
                               uint32_t* pcbDataLen, uint32_t dwFlags) {
  return provider::GetHashParam(hProv, hHash, dwParam, pbData, pcbDataLen, dwFlags);
}

// Duplicating a key is not offered: E_NOTIMPL.
KqBool KQ_CPAPI CPDuplicateKey(KqHandle hUID, KqHandle /*hKey*/, uint32_t* /*pdwReserved*/,
                               uint32_t /*dwFlags*/, KqHandle* /*phKey*/) {
  return provider::NotImplemented(hUID);
}

// Duplicating a hash is not offered: E_NOTIMPL.
KqBool KQ_CPAPI CPDuplicateHash(KqHandle hUID, KqHandle /*hHash*/, uint32_t* /*pdwReserved*/,
                                uint32_t /*dwFlags*/, KqHandle* /*phHash*/) {
  return provider::NotImplemented(hUID);
}

}  // extern "C"
