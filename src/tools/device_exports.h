#pragma once
// Device management of the bank tool exports: presence checks, key listing by media id, the key
// that holds a certificate, provider name, initialisation and PIN change.

#include <cstdint>

namespace kq::tools {

uint32_t CheckDevice(char* message);
uint32_t CheckDriver(char* message);
uint32_t CheckCsp(char* message);
uint32_t GetListNum(uint8_t familyFlag);
uint32_t GetMediaId(char* buffer, int32_t* length, uint8_t familyFlag);
uint32_t GetDeviceSn(const char* subjectDn, char* buffer, uint32_t* length);
uint32_t GetCspName(const char* subjectDn, char* buffer, uint32_t* length);
uint32_t CspName(char* buffer, int32_t* length);
uint32_t InitCard(const char* mediaId, uintptr_t argument);
uint32_t ChangePin(const char* mediaId, const char* oldPin, const char* newPin);

}  // namespace kq::tools
