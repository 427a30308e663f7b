#pragma once
// Signing with the key whose certificate has a given subject, public-key signature values, and
// the identity data block of a key.

#include <cstdint>

namespace kq::tools {

struct SignatureRequest {
  const uint8_t* data;
  uint32_t dataLength;
  const char* subjectDn;
  uint32_t dnLength;
  const char* hashName;
  int32_t hashNameLength;
};

uint32_t GetSignature(const SignatureRequest& request, uint8_t* signature, int32_t* signatureLength,
                      uint8_t* certificate, uint32_t* certificateLength);
uint32_t GetPubKeySignValue(const void* callerData, const char* mediaId, const uint8_t* keyList,
                            int32_t listLength, uint8_t* output, int32_t* outputLength);
uint32_t GetIdValue(const char* mediaId, uint8_t* buffer, uint32_t* length);

}  // namespace kq::tools
