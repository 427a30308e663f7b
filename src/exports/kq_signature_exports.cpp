// Signature exports: signing by certificate subject, public-key signature values, identity data.
#include "common/codes_tools.h"
#include "kqcsp.h"
#include "tools/export_guard.h"
#include "tools/signature_exports.h"

using kq::tools::GuardToolExport;

extern "C" {

// Signs data with the key whose certificate has the subject; returns signature and certificate.
uint32_t KQ_GetSignature(const uint8_t* data, uint32_t dataLength, const char* subjectDn,
                         uint32_t dnLength, const char* hashName, int32_t hashNameLength,
                         uint8_t* signature, int32_t* signatureLength, uint8_t* certificate,
                         uint32_t* certificateLength) {
  const kq::tools::SignatureRequest request{data,     dataLength, subjectDn,
                                            dnLength, hashName,   hashNameLength};
  return GuardToolExport(kq::tool::signature::kDeviceFailed, [&] {
    return kq::tools::GetSignature(request, signature, signatureLength, certificate,
                                   certificateLength);
  });
}

// The key's signature values for a list of public keys held on it.
uint32_t KQ_GetPubKeySignValue(const void* callerData, const char* mediaId, const uint8_t* keyList,
                               int32_t listLength, uint8_t* output, int32_t* outputLength) {
  return GuardToolExport(kq::tool::kDeviceOperationFailed, [&] {
    return kq::tools::GetPubKeySignValue(callerData, mediaId, keyList, listLength, output,
                                         outputLength);
  });
}

// The identity data block of a key.
uint32_t KQ_GetIDValue(const char* mediaId, uint8_t* buffer, uint32_t* length) {
  return GuardToolExport(kq::tool::kDeviceOperationFailed,
                         [&] { return kq::tools::GetIdValue(mediaId, buffer, length); });
}

}  // extern "C"
