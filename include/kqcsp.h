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

/* Calling conventions. 64-bit Windows and Linux have one each. On 32-bit Windows the CP* entry
 * points are __stdcall (WINAPI), as advapi32 calls them, and are exported under their plain names
 * (CPAcquireContext, not CPAcquireContext@20). Everything else here, the KQ_ exports,
 * GetFunctionList and the functions of its table, is __cdecl, the C default that these prototypes
 * have always declared and bank tools compile against; so are the device library's ZANT_ and the
 * PIN-entry library's UI_ functions (src/device/zant.h, src/device/pinentry.h). */
#if defined(_WIN32) && !defined(_WIN64)
#define KQ_CPAPI __stdcall
#else
#define KQ_CPAPI
#endif

/* CryptoAPI provider entry points. */
KqBool KQ_CPAPI CPAcquireContext(KqHandle* phProv, const char* pszContainer, uint32_t dwFlags,
                                 void* pVTable);
KqBool KQ_CPAPI CPReleaseContext(KqHandle hProv, uint32_t dwFlags);
KqBool KQ_CPAPI CPGenKey(KqHandle hProv, uint32_t Algid, uint32_t dwFlags, KqHandle* phKey);
KqBool KQ_CPAPI CPDeriveKey(KqHandle hProv, uint32_t Algid, KqHandle hBaseData, uint32_t dwFlags,
                            KqHandle* phKey);
KqBool KQ_CPAPI CPDestroyKey(KqHandle hProv, KqHandle hKey);
KqBool KQ_CPAPI CPSetKeyParam(KqHandle hProv, KqHandle hKey, uint32_t dwParam,
                              const uint8_t* pbData, uint32_t dwFlags);
KqBool KQ_CPAPI CPGetKeyParam(KqHandle hProv, KqHandle hKey, uint32_t dwParam, uint8_t* pbData,
                              uint32_t* pcbDataLen, uint32_t dwFlags);
KqBool KQ_CPAPI CPExportKey(KqHandle hProv, KqHandle hKey, KqHandle hPubKey, uint32_t dwBlobType,
                            uint32_t dwFlags, uint8_t* pbData, uint32_t* pcbDataLen);
KqBool KQ_CPAPI CPImportKey(KqHandle hProv, const uint8_t* pbData, uint32_t cbDataLen,
                            KqHandle hPubKey, uint32_t dwFlags, KqHandle* phKey);
KqBool KQ_CPAPI CPEncrypt(KqHandle hProv, KqHandle hKey, KqHandle hHash, KqBool fFinal,
                          uint32_t dwFlags, uint8_t* pbData, uint32_t* pcbDataLen,
                          uint32_t cbBufLen);
KqBool KQ_CPAPI CPDecrypt(KqHandle hProv, KqHandle hKey, KqHandle hHash, KqBool fFinal,
                          uint32_t dwFlags, uint8_t* pbData, uint32_t* pcbDataLen);
KqBool KQ_CPAPI CPCreateHash(KqHandle hProv, uint32_t Algid, KqHandle hKey, uint32_t dwFlags,
                             KqHandle* phHash);
KqBool KQ_CPAPI CPHashData(KqHandle hProv, KqHandle hHash, const uint8_t* pbData,
                           uint32_t cbDataLen, uint32_t dwFlags);
KqBool KQ_CPAPI CPHashSessionKey(KqHandle hProv, KqHandle hHash, KqHandle hKey, uint32_t dwFlags);
KqBool KQ_CPAPI CPDestroyHash(KqHandle hProv, KqHandle hHash);
KqBool KQ_CPAPI CPSignHash(KqHandle hProv, KqHandle hHash, uint32_t dwKeySpec,
                           const wchar_t* szDescription, uint32_t dwFlags, uint8_t* pbSignature,
                           uint32_t* pcbSigLen);
KqBool KQ_CPAPI CPVerifySignature(KqHandle hProv, KqHandle hHash, const uint8_t* pbSignature,
                                  uint32_t cbSigLen, KqHandle hPubKey, const wchar_t* szDescription,
                                  uint32_t dwFlags);
KqBool KQ_CPAPI CPGenRandom(KqHandle hProv, uint32_t dwLen, uint8_t* pbBuffer);
KqBool KQ_CPAPI CPGetUserKey(KqHandle hProv, uint32_t dwKeySpec, KqHandle* phUserKey);
KqBool KQ_CPAPI CPSetProvParam(KqHandle hProv, uint32_t dwParam, const uint8_t* pbData,
                               uint32_t dwFlags);
KqBool KQ_CPAPI CPGetProvParam(KqHandle hProv, uint32_t dwParam, uint8_t* pbData,
                               uint32_t* pcbDataLen, uint32_t dwFlags);
KqBool KQ_CPAPI CPSetHashParam(KqHandle hProv, KqHandle hHash, uint32_t dwParam,
                               const uint8_t* pbData, uint32_t dwFlags);
KqBool KQ_CPAPI CPGetHashParam(KqHandle hProv, KqHandle hHash, uint32_t dwParam, uint8_t* pbData,
                               uint32_t* pcbDataLen, uint32_t dwFlags);
KqBool KQ_CPAPI CPDuplicateKey(KqHandle hUID, KqHandle hKey, uint32_t* pdwReserved,
                               uint32_t dwFlags, KqHandle* phKey);
KqBool KQ_CPAPI CPDuplicateHash(KqHandle hUID, KqHandle hHash, uint32_t* pdwReserved,
                                uint32_t dwFlags, KqHandle* phHash);

#if !defined(_WIN32)
/* The last error of the calling thread, as on Windows (kernel32 has these there). */
uint32_t GetLastError(void);
void SetLastError(uint32_t code);
#endif

/* Bank tool exports: see the KQ_ section below. */
/* KQ_EXPORTS_BEGIN */
/* Bank tool exports. Every KQ_ export returns a 32-bit status: 0 for success, else the codes of
 * that export (kqtool prints them; 1 or 2 mean different things in different exports). The four
 * check exports instead return 1 (present) or 0 (absent, with a message). A key is named by its
 * media id: the first 12 bytes of its serial, given as a NUL-terminated string of exactly 12
 * characters. Output buffers follow one rule: a null buffer asks for the size (stored in the
 * length, result 0); a short buffer stores the needed size and fails (1101 unless the export
 * says otherwise); else the data is copied and its length stored. Texts are code page 936. */

/* Is a key attached and can it be opened? 1 or 0; on 0 a NUL-terminated message (at most 15
 * bytes with its NUL) is written to message unless it is null. */
uint32_t KQ_CheckDevice(char* message);
/* The same check as KQ_CheckDevice. */
uint32_t KQ_CheckWorkStatus(char* message);
/* Is the product's driver registered (the machine's registry key of the product)? 1 or 0 with a
 * message. */
uint32_t KQ_CheckDriver(char* message);
/* Is the provider registered with CryptoAPI? 1 or 0 with a message. */
uint32_t KQ_CheckCSP(char* message);
/* Number of attached keys of a family: familyFlag non-zero counts serials beginning "73", zero
 * those beginning "72". 0 on any failure. */
uint32_t KQ_GetListNum(uint8_t familyFlag);
/* Media ids of the attached keys of a family, joined by "|", NUL-terminated; the size counts the
 * NUL. length is required. */
uint32_t KQ_GetMediaID(char* buffer, int32_t* length, uint8_t familyFlag);
/* Identity (kind 6; its first 12 bytes are the media id) of the key that holds a certificate
 * with the given subject (X.500 string). A null buffer asks for the size (12). With several keys
 * holding the subject, the first in reader order answers: that order is the order in which the
 * keys were plugged in, so it may change when a key is pulled out. */
uint32_t KQ_GetDeviceSN(const char* subjectDn, char* buffer, uint32_t* length);
/* Provider name "KQCSP For ORV v2.0" with its NUL (19 bytes) when an attached key holds a
 * certificate with the given subject (the first key in reader order, as KQ_GetDeviceSN). */
uint32_t KQ_GetCSPName(const char* subjectDn, char* buffer, uint32_t* length);
/* Provider name "KQCSP For ORV v2.0" with its NUL; length is output only (always 19). */
uint32_t KQ_CSPName(char* buffer, int32_t* length);
/* Initialises the key with the media id (null or empty: the first key); the argument is passed
 * to the device library unchanged. The user confirms on the key. */
uint32_t KQ_InitCard(const char* mediaId, uintptr_t argument);
/* Changes the PIN (both exactly 8 characters) of the key with the media id (null or empty: the
 * first key). The user confirms on the key. */
uint32_t KQ_ChangePIN(const char* mediaId, const char* oldPin, const char* newPin);

/* Generates one to three key pairs on the key with the media id and returns their PKCS #10
 * requests, base64 without line breaks, joined by "||", without NUL. requestText holds records
 * "subject DN|RSA1024, RSA2048 or SM2|MD5, SHA1, SHA256, SHA384, SHA512 or SM3|usage 1 to 3"
 * joined by "||". A null output asks for the size (1500 per request) without generating. */
uint32_t KQ_CreatePKCS10(const char* requestText, int32_t textLength, const char* mediaId,
                         char* output, int32_t* outputLength);

/* Installs one to five issued certificates (base64 DER, joined by "||") on the key with the
 * media id, each beside the key pair whose public key it carries. */
uint32_t KQ_WritePKCS7(const char* mediaId, const char* certificateList, int32_t listLength);
/* Subjects (X.500 strings) of every certificate on the key with the media id, joined by "||",
 * without NUL. */
uint32_t KQ_GetAllCertDN(const char* mediaId, char* buffer, int32_t* length);
/* Deletes the certificates named in subjectList (joined by "||") with their key pairs, after
 * confirmation on the key; count receives the number deleted. reserved is ignored. */
uint32_t KQ_DeleteTempKeyOrCert(const char* subjectList, uintptr_t reserved, const char* mediaId,
                                uint32_t* deletedCount);

/* Signs data with the key whose certificate has the given subject and returns the raw signature
 * (RSA block, or SM2 r followed by s) and that certificate (DER). hashName may be null (SHA1 for
 * RSA, SM3 for SM2). Bank transaction messages may be hashed and confirmed on the key. Either
 * buffer null asks for both sizes. Both length pointers are required. With several keys holding
 * the subject, the first in reader order (the order in which they were plugged in) signs. A key
 * pulled out or swapped for another while the PIN is asked for signs nothing: 3003, with
 * SCARD_W_REMOVED_CARD (0x80100069) as the thread's last error. */
uint32_t KQ_GetSignature(const uint8_t* data, uint32_t dataLength, const char* subjectDn,
                         uint32_t dnLength, const char* hashName, int32_t hashNameLength,
                         uint8_t* signature, int32_t* signatureLength, uint8_t* certificate,
                         uint32_t* certificateLength);
/* For each public key of keyList (items: 16-bit big-endian length, modulus, 16-bit length,
 * exponent; joined by "||"), the value the key computes from callerData; values joined by "||". */
uint32_t KQ_GetPubKeySignValue(const void* callerData, const char* mediaId, const uint8_t* keyList,
                               int32_t listLength, uint8_t* output, int32_t* outputLength);
/* The identity data block that the key with the media id carries. */
uint32_t KQ_GetIDValue(const char* mediaId, uint8_t* buffer, uint32_t* length);

/* The function table of GetFunctionList: ten device functions that name the key by reader name
 * (as EnumDevices lists it) and by media id, which must belong to that reader. Results: 0
 * success, 2 null pointer or media id not 12 characters, 3 data longer than 32 bytes, 4 buffer
 * too small (size stored), 5 reader cannot be opened, 6 device operation failed, 7 media id of
 * another key, 8 short write. Version bytes at 0 and 1, then the pointers at their natural
 * alignment: from offset 8 in 64-bit code (every 8 bytes), from offset 4 in 32-bit code (every 4).
 * The functions are __cdecl on 32-bit Windows. */
typedef uint32_t (*KqEnumDevicesFn)(char* buffer, uint32_t* length);
typedef uint32_t (*KqGetDeviceIdentityFn)(const char* readerName, uint8_t* buffer,
                                          uint32_t* length);
typedef uint32_t (*KqReadUserDataFn)(const char* readerName, const char* mediaId, uint8_t* buffer,
                                     uint32_t* length);
typedef uint32_t (*KqWriteUserDataFn)(const char* readerName, const char* mediaId,
                                      const uint8_t* data, uint32_t dataLength);
typedef uint32_t (*KqGetContainerNamesFn)(const char* readerName, const char* mediaId, char* buffer,
                                          uint32_t* length);
typedef uint32_t (*KqGetContainerCertificatesFn)(const char* readerName, const char* mediaId,
                                                 const char* containerName,
                                                 uint8_t* signatureCertificate,
                                                 uint32_t* signatureCertificateLength,
                                                 uint8_t* exchangeCertificate,
                                                 uint32_t* exchangeCertificateLength);
typedef uint32_t (*KqGetPinInfoFn)(const char* readerName, const char* mediaId, uint8_t* byteA,
                                   uint8_t* byteB);
typedef uint32_t (*KqGetDeviceInfoFn)(const char* readerName, const char* mediaId, uint32_t* valueA,
                                      uint32_t* valueB);
typedef uint32_t (*KqCleanPinStatusFn)(const char* readerName, const char* mediaId);
typedef uint32_t (*KqSetDeviceLanguageFn)(const char* readerName, const char* mediaId,
                                          int32_t languageId);

typedef struct KqFunctionList {
  uint8_t majorVersion; /* 1 */
  uint8_t minorVersion; /* 0 */
  /* then alignment to the pointers, not written (offsets 64-bit / 32-bit below) */
  KqEnumDevicesFn EnumDevices;                           /* offset 8 / 4 */
  KqGetDeviceIdentityFn GetDeviceIdentity;               /* 16 / 8 */
  KqReadUserDataFn ReadUserData;                         /* 24 / 12: the 32-byte user data area */
  KqWriteUserDataFn WriteUserData;                       /* 32 / 16 */
  KqGetContainerNamesFn GetContainerNames;               /* 40 / 20: names, each NUL-ended, NUL */
  KqGetContainerCertificatesFn GetContainerCertificates; /* 48 / 24: signature, exchange DER */
  KqGetPinInfoFn GetPinInfo;                             /* 56 / 28 */
  KqGetDeviceInfoFn GetDeviceInfo;                       /* 64 / 32 */
  KqCleanPinStatusFn CleanPinStatus;                     /* 72 / 36 */
  KqSetDeviceLanguageFn SetDeviceLanguage;               /* 80 / 40 */
} KqFunctionList;

/* Fills list with the version (1.0) and the ten functions: 0, or 2 when list is null. */
uint32_t GetFunctionList(KqFunctionList* list);
/* KQ_EXPORTS_END */

#ifdef __cplusplus
} /* extern "C" */
#endif
