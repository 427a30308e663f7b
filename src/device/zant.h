#pragma once
// The device library's 29 operations, with C linkage. The soft key implements exactly these;
// any other library that does can replace it. Every operation returns 0 or an ISO 7816 status
// word in the low 16 bits. On 32-bit Windows they are __cdecl (the C default, as declared here),
// exported under their plain names; ZANT_HANDLE and uintptr_t are 4 bytes there.

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* ZANT_HANDLE;

uint32_t ZANT_EnumDev(char* buffer, uint32_t* length, uint32_t reserved);
uint32_t ZANT_OpenDev(ZANT_HANDLE* handle, const char* readerName, uint32_t reserved);
uint32_t ZANT_CloseDev(ZANT_HANDLE handle, uint32_t reserved);
uint32_t ZANT_GetRandom(ZANT_HANDLE handle, uint8_t* buffer, uint32_t length);
uint32_t ZANT_VerifyPIN(ZANT_HANDLE handle, const char* pin, uint32_t pinLength);
uint32_t ZANT_ChangePIN(ZANT_HANDLE handle, const char* oldPin, uint32_t oldLength,
                        const char* newPin, uint32_t newLength, uint32_t reserved);
uint32_t ZANT_InitDev(ZANT_HANDLE handle, const uint8_t* identity, uintptr_t argument);
uint32_t ZANT_GenerateRSAKey(ZANT_HANDLE handle, uint32_t keyNumber, const char* tag, uint32_t bits,
                             uint32_t option);
uint32_t ZANT_DeleteRSAKey(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t reserved);
uint32_t ZANT_GetKeyInfo(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t* keyBits,
                         uint32_t* flags);
uint32_t ZANT_ReadRSAPub(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t* bits, uint8_t* first,
                         uint32_t* firstLength, uint8_t* second, uint32_t* secondLength,
                         uint32_t reserved);
uint32_t ZANT_RSAPublicDec(ZANT_HANDLE handle, uint32_t keyNumber, const uint8_t* input,
                           uint32_t inputLength, uint8_t* output, uint32_t* outputLength);
uint32_t ZANT_RSAPrivateSign(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t hashAlg,
                             const uint8_t* data, uint32_t dataLength, uint8_t* signature,
                             uint32_t* signatureLength, uint32_t reserved);
uint32_t ZANT_RSAPrivateSignEx(ZANT_HANDLE handle, uint32_t keyNumber, uint32_t hashAlg,
                               const uint8_t* data, uint32_t dataLength, uint8_t* signature,
                               uint32_t* signatureLength, uint32_t reserved);
uint32_t ZANT_CreateFile(ZANT_HANDLE handle, uint32_t* fileId, uint32_t size, uint32_t flag);
uint32_t ZANT_GetFileLen(ZANT_HANDLE handle, uint32_t fileId, uint32_t* length);
uint32_t ZANT_ReadFile(ZANT_HANDLE handle, uint32_t fileId, uint32_t offset, uint32_t length,
                       uint8_t* buffer, uint32_t* count, uint32_t reserved);
uint32_t ZANT_WriteFile(ZANT_HANDLE handle, uint32_t fileId, uint32_t offset, const uint8_t* data,
                        uint32_t length, uint32_t* count, uint32_t reserved);
uint32_t ZANT_DeleteFile(ZANT_HANDLE handle, uint32_t fileId);
uint32_t ZANT_GetDevInfo(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length, uint32_t kind);
uint32_t ZANT_GetPINInfo(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length, uint32_t kind);
uint32_t ZANT_GetDevNum(uint32_t* count);
uint32_t ZANT_GetDevSer(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length, uint32_t kind);
uint32_t ZANT_GetDevState(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length, uint32_t request);
uint32_t ZANT_GetData(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length, uint32_t kind);
uint32_t ZANT_GetPubSigVal(ZANT_HANDLE handle, uint32_t keyNumber, const void* callerData,
                           uint8_t* value, uint32_t* valueLength);
uint32_t ZANT_ReadBirCert(ZANT_HANDLE handle, uint8_t* buffer, uint32_t* length);
uint32_t ZANT_CleanPinStatus(ZANT_HANDLE handle);
uint32_t ZANT_SetLanguage(ZANT_HANDLE handle, uint32_t language);

#ifdef __cplusplus
}  // extern "C"
#endif
